// The platform's opaque handles are the system's own: a window is an HWND, a
// drawing surface an HDC, a paint object an HGDIOBJ, a bitmap an HBITMAP and
// the application its HINSTANCE. Only the Win32 backend sees these.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The program's own DialogBox handle type shares its name with a system macro.
#undef DialogBox

#include "platform/types.h"

inline HWND WindowHandle(AppWindow* window) { return reinterpret_cast<HWND>(window); }
inline AppWindow* AppWindowOf(HWND window) { return reinterpret_cast<AppWindow*>(window); }

inline HDC SurfaceHandle(DrawSurface* surface) { return reinterpret_cast<HDC>(surface); }
inline DrawSurface* SurfaceOf(HDC dc) { return reinterpret_cast<DrawSurface*>(dc); }

inline HGDIOBJ ObjectHandle(PaintObject* object) { return reinterpret_cast<HGDIOBJ>(object); }
inline PaintObject* PaintObjectOf(HGDIOBJ object) { return reinterpret_cast<PaintObject*>(object); }

inline HBITMAP BitmapHandle(SurfaceBitmap* bitmap) { return reinterpret_cast<HBITMAP>(bitmap); }
inline SurfaceBitmap* SurfaceBitmapOf(HBITMAP bitmap) { return reinterpret_cast<SurfaceBitmap*>(bitmap); }

inline HINSTANCE InstanceHandle(AppInstance* instance) { return reinterpret_cast<HINSTANCE>(instance); }
inline AppInstance* AppInstanceOf(HINSTANCE instance) { return reinterpret_cast<AppInstance*>(instance); }

// The record a window of a registered kind carries in its user data, from its
// first message to its last.
struct WindowKind;
struct WindowRecord {
    const WindowKind* kind;
    PAINTSTRUCT paint; // the paint under way, between BeginPaintSurface and EndPaintSurface
};
WindowRecord* RecordOf(HWND window);
