// kvs draws with the toolkit but never on a screen.
#pragma once

// Before the toolkit starts: its offscreen platform, and none of its own
// warnings on standard error (kvs reports its errors itself) unless the user
// has set QT_LOGGING_RULES.
void UseOffscreenToolkit();
