// Run-time hooks through which tests steer the program where it meets what it
// cannot choose: the heap, the closing of a file, the search's index sort,
// the room for a table on a rank of an MPI job and the user of a modal
// dialog. A hook left empty changes nothing.
//
// They exist in test builds only. The few sources that call them are compiled
// a second time with KV_TEST_HOOKS into an object library of the test
// programs (tests/CMakeLists.txt); the libraries and programs that are
// shipped are compiled without it and hold neither the table nor a call
// through it (packaging/check_no_test_seams.sh checks every installed file).
#pragma once

#ifdef KV_TEST_HOOKS

#include <cstdint>

#include "platform/window.h"

struct TestHooks {
    bool (*refuseAllocation)() = nullptr;        // asked before each allocation: true refuses it
    void (*blockCountChanged)(long change) = nullptr; // +1 for each block handed out, -1 for each released
    bool (*failFileClose)() = nullptr;           // asked after each close the system let pass: true makes it EIO
    int32_t* (*searchSort)(int32_t n, const int64_t* keys, int32_t* index) = nullptr; // runs in the search's sort's place
    bool (*refuseTableRoom)(int rank) = nullptr; // true: the rank finds no room for the table
    // Shows a modal dialog in the platform's place: the platform still makes
    // the dialog record and hands it over; the hook drives the procedure as a
    // user would (MessageInitDialog, then a MessageCommand), and RunDialogBox
    // returns the result that EndDialogBox recorded.
    void (*showDialogBox)(DialogBox* dialog, const DialogResource* resource, AppWindow* owner,
                          DialogProcedure procedure) = nullptr;
};

extern TestHooks testHooks;

#endif
