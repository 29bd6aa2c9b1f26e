// The part of a window's record that the backends keeping their own windows
// (Qt and the web page) hold alike, and the message dispatch, creation and
// destruction built on it. Each backend's AppWindow extends the record with
// what shows the window, and answers the three functions at the end.
#pragma once

#include <cstdint>
#include <string>

#include "platform/window.h"

struct WindowRecord {
    WindowRecord(const WindowKind& kind, const char* title) : kind(kind), title(title) {}

    WindowKind kind;          // a copy of the registered kind
    std::string title;
    bool eraseWanted = false; // the invalid area is filled with white before it is painted
    int paintsBegun = 0;      // counts BeginPaintSurface calls
    bool destroying = false;
    bool destroyed = false;
};

// The live window behind a handle, or none when it is destroyed.
inline bool WindowIsLive(const WindowRecord* window)
{
    return window && !window->destroyed;
}

// Sends MessageDestroy, once, and marks the window destroyed; its record stays
// as a tombstone, so that handles still held by callers up the stack are
// recognised, never read after being freed.
void DestroyAppWindow(AppWindow* window);

// Sends MessagePaint. True when the window is still there and its procedure
// began no paint at all: that leaves nothing to repeat, and the caller
// forgets the invalid area.
bool SendPaintMessage(AppWindow* window);

// Defined by each backend:
// the record that its AppWindow extends (none for none);
WindowRecord* RecordOf(AppWindow* window);
// a new window's record, kept for the whole run, with what shows it, before
// MessageCreate reaches its procedure;
AppWindow* MakeAppWindow(const WindowKind& kind, const char* title);
// the release of what showed a window once MessageDestroy has been handled.
void ReleaseAppWindow(AppWindow* window);
