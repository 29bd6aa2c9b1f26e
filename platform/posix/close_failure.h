// Whether a test has asked the file being closed now to be reported as
// failed. It stands in a file of its own so that test programs can link, in
// its place, one that FailNthFileClose steers; the shipped one never does.
#pragma once

bool CloseFailureForced();
