#include <kvs/version.h>

namespace kvs {

const char* version() { return KVS_VERSION_STRING; }

}  // namespace kvs
