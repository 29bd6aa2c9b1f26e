#include "picture_window.h"

#include <cstdio>

#include "platform/drawing.h"
#include "platform/testing.h"
#include "platform/window.h"

namespace {

constexpr const char* kKindName = "ExportPictureWindow";

void Fill(DrawSurface* surface, int32_t left, int32_t top, int32_t right, int32_t bottom, Color color)
{
    PaintObject* pen = CreatePenOfColor(color);
    PaintObject* brush = CreateBrushOfColor(color);
    PaintObject* oldPen = SelectPaintObject(surface, pen);
    PaintObject* oldBrush = SelectPaintObject(surface, brush);
    PaintRectangle(surface, left, top, right, bottom);
    SelectPaintObject(surface, oldPen);
    SelectPaintObject(surface, oldBrush);
    DeletePaintObject(pen);
    DeletePaintObject(brush);
}

void PaintPicture(AppWindow* window, DrawSurface* surface)
{
    Rect client = GetClientArea(window);
    Fill(surface, 3, 2, client.right / 3, client.bottom / 2, MakeColor(0, 0, 0));

    PaintObject* pen = CreatePenOfColor(MakeColor(255, 0, 0));
    PaintObject* brush = CreateBrushOfColor(MakeColor(255, 0, 0));
    PaintObject* oldPen = SelectPaintObject(surface, pen);
    PaintObject* oldBrush = SelectPaintObject(surface, brush);
    PaintEllipse(surface, client.right / 2, client.bottom / 4, client.right - 5, client.bottom - 3);
    SelectPaintObject(surface, oldPen);
    SelectPaintObject(surface, oldBrush);
    DeletePaintObject(pen);
    DeletePaintObject(brush);

    pen = CreatePenOfColor(MakeColor(0, 0, 255));
    oldPen = SelectPaintObject(surface, pen);
    MovePenTo(surface, 0, client.bottom - 1);
    PaintLineTo(surface, client.right, 0);
    SelectPaintObject(surface, oldPen);
    DeletePaintObject(pen);

    // A frame a shade off white: not the background colour, though it looks like it.
    Fill(surface, 0, 0, client.right, 1, MakeColor(254, 255, 255));
}

intptr_t PictureWindowProc(AppWindow* window, uint32_t message, uintptr_t p1, intptr_t p2)
{
    if (message != MessagePaint)
        return DefaultWindowProc(window, message, p1, p2);
    DrawSurface* surface = BeginPaintSurface(window);
    PaintPicture(window, surface);
    EndPaintSurface(window, surface);
    return 0;
}

}

AppWindow* OpenPictureWindow(int32_t width, int32_t height)
{
    EnsurePlatformStarted();
    static const WindowKind kind = {kKindName, PictureWindowProc, nullptr, true, false};
    static const bool registered = RegisterWindowKind(&kind);
    if (!registered)
        return nullptr;
    AppWindow* window = CreateAppWindow(CurrentInstance(), kKindName, "Picture");
    if (!window)
        return nullptr;
    UserResizeClient(window, width, height);
    InvalidateArea(window, nullptr, true);
    UpdateAppWindow(window);
    PumpMessages();
    return window;
}

void ClosePictureWindow(AppWindow* window)
{
    UserCloseWindow(window);
    PumpMessages();
}

void FillClientBlock(AppWindow* window, int32_t left, int32_t top, int32_t right, int32_t bottom, Color color)
{
    DrawSurface* surface = OpenWindowSurface(window);
    Fill(surface, left, top, right, bottom, color);
    CloseWindowSurface(window, surface);
}

std::vector<Color> ClientColors(AppWindow* window)
{
    Rect client = GetClientArea(window);
    std::vector<Color> colors;
    for (int32_t y = 0; y < client.bottom; ++y)
        for (int32_t x = 0; x < client.right; ++x)
            colors.push_back(ClientPixel(window, x, y));
    return colors;
}

void WriteClientAsPpm(AppWindow* window, const std::string& path)
{
    Rect client = GetClientArea(window);
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return;
    std::fprintf(out, "P6\n%d %d\n255\n", client.right, client.bottom);
    for (Color c : ClientColors(window)) {
        const unsigned char rgb[3] = {ColorRed(c), ColorGreen(c), ColorBlue(c)};
        std::fwrite(rgb, 1, 3, out);
    }
    std::fclose(out);
}
