// `kvs demo` and `kvs study` run the window's own code, and so the toolkit,
// which kvs itself never loads: a machine without a graphical stack can run
// `kvs search`. They live in a helper program, kvs-window, installed in
// libexec/kvs/ beside the bin/ that holds kvs (and at the same place relative
// to kvs in the build tree). kvs hands those subcommands to it by replacing
// itself with the helper (exec), as git runs its helpers: the helper has
// kvs's process, so its arguments, standard streams, signals (Ctrl-C) and
// exit code are kvs's own.
#pragma once

namespace CLI {
class App;
}

// Adds demo and study, each handing all of its arguments to the helper; when
// the helper cannot be run, exitCode is that failure's.
void AddWindowCommands(CLI::App& app, int& exitCode);
