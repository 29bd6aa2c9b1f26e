// A window of a test kind whose procedure records every message it gets and
// can be told what to do on create and paint, for the platform tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/drawing.h"
#include "platform/testing.h"
#include "platform/window.h"

struct LoggedMessage {
    uint32_t message;
    uintptr_t p1;
    intptr_t p2;
};

struct TestWindowScript {
    std::vector<LoggedMessage> log;
    intptr_t createResult = 0;
    std::function<void(AppWindow*, DrawSurface*)> paint; // runs between BeginPaintSurface and EndPaintSurface
    bool postQuitOnDestroy = true;
    int quitCode = 0;
};

inline TestWindowScript testScript;

inline intptr_t TestWindowProc(AppWindow* window, uint32_t message, uintptr_t p1, intptr_t p2)
{
    testScript.log.push_back({message, p1, p2});
    switch (message) {
    case MessageCreate:
        return testScript.createResult;
    case MessagePaint: {
        DrawSurface* surface = BeginPaintSurface(window);
        if (testScript.paint)
            testScript.paint(window, surface);
        EndPaintSurface(window, surface);
        return 0;
    }
    case MessageDestroy:
        if (testScript.postQuitOnDestroy)
            PostQuit(testScript.quitCode);
        return 0;
    default:
        return DefaultWindowProc(window, message, p1, p2);
    }
}

// Paints the window's whole client area in one colour, outline included.
inline void FillClient(AppWindow* window, DrawSurface* surface, Color color)
{
    PaintObject* brush = CreateBrushOfColor(color);
    PaintObject* pen = CreatePenOfColor(color);
    PaintObject* oldBrush = SelectPaintObject(surface, brush);
    PaintObject* oldPen = SelectPaintObject(surface, pen);
    const Rect client = GetClientArea(window);
    PaintRectangle(surface, 0, 0, client.right, client.bottom);
    SelectPaintObject(surface, oldBrush);
    SelectPaintObject(surface, oldPen);
    DeletePaintObject(brush);
    DeletePaintObject(pen);
}

inline std::vector<uint32_t> LoggedKinds()
{
    std::vector<uint32_t> kinds;
    for (const LoggedMessage& m : testScript.log)
        kinds.push_back(m.message);
    return kinds;
}

class PlatformWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsurePlatformStarted();
        testScript = TestWindowScript{};
        ResetPostedQuit();
        static const WindowKind plain = {"PlatformTestPlain", TestWindowProc, nullptr, false, false};
        static const WindowKind redrawing = {"PlatformTestRedraw", TestWindowProc, nullptr, true, true};
        ASSERT_TRUE(RegisterWindowKind(&plain));
        ASSERT_TRUE(RegisterWindowKind(&redrawing));
        livingBefore = LiveWindowCount();
    }

    void TearDown() override
    {
        if (window && LiveWindowCount() > livingBefore)
            UserCloseWindow(window);
        PumpMessages();
        ResetPostedQuit();
        testScript = TestWindowScript{};
    }

    AppWindow* Make(const char* kind = "PlatformTestPlain")
    {
        window = CreateAppWindow(CurrentInstance(), kind, "Platform test");
        return window;
    }

    AppWindow* window = nullptr;
    int livingBefore = 0;
};
