#include "kvs/version.h"

namespace {
// How this build runs a search: the one place that names it.
const char* SearchRunningMode() { return "single process"; }
} // namespace

std::string VersionText() { return std::string("kvs ") + KVS_VERSION + " (" + SearchRunningMode() + ")"; }
