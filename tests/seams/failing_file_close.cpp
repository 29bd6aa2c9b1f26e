// The test builds' file close: closes the file as the program's own does,
// then reports failure once at the close a test asked for.
#include "platform/file_io.h"

#include <unistd.h>

namespace {
long closesUntilFailure = 0; // the close that fails, counted down; 0 for none
}

bool CloseFileHandle(FileHandle file)
{
    bool closed = ::close(int(file)) == 0;
    if (closesUntilFailure > 0 && --closesUntilFailure == 0)
        return false;
    return closed;
}

void FailNthFileClose(long n) { closesUntilFailure = n; }
