// The test builds' judgement of each file close: the Nth close a test asked
// for is reported as failed, once, after the file is closed.
#include "platform/file_io.h"
#include "platform/posix/close_failure.h"

namespace {
long closesUntilFailure = 0; // the close that fails, counted down; 0 for none
}

bool CloseFailureForced()
{
    return closesUntilFailure > 0 && --closesUntilFailure == 0;
}

void FailNthFileClose(long n) { closesUntilFailure = n; }
