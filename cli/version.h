// What `kvs --version` prints.
#pragma once

#include <string>

// "kvs VERSION (HOW THE SEARCH RUNS)", e.g. "kvs 1.0.0 (single process)".
std::string VersionText();
