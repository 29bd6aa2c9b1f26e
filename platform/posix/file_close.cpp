// Closing a file on its own, so that test builds can put a close that fails
// on demand in its place.
#include "platform/file_io.h"

#include <unistd.h>

bool CloseFileHandle(FileHandle file)
{
    return ::close(int(file)) == 0;
}
