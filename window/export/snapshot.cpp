#include "export/snapshot.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "export/bmp_writer.h"
#include "export/pcx_writer.h"
#include "platform/bitmap.h"
#include "platform/drawing.h"
#include "platform/memory.h"
#include "platform/message_box.h"
#include "platform/save_dialog.h"
#include "platform/window.h"

namespace {

constexpr const char* kCaption = "About Bitmap";

// Whether the name ends in the extension (its dot included), ASCII letters in any case,
// with at least one character before it.
bool HasExtension(const char* name, const char* extension)
{
    const std::size_t length = std::strlen(name);
    const std::size_t extensionLength = std::strlen(extension);
    if (length <= extensionLength)
        return false;
    const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    const char* tail = name + length - extensionLength;
    for (std::size_t i = 0; i < extensionLength; ++i) {
        if (lower(tail[i]) != lower(extension[i]))
            return false;
    }
    return true;
}

void WritePcxSnapshot(AppWindow* window, const char* fileName, DrawSurface* surface)
{
    if (!WritePcxFile(window, fileName, surface))
        ShowMessageBox(window, "PCX file is not created", kCaption);
}

// Returns the description it made (the caller releases it), or none.
BitmapInfo* WriteBmpSnapshot(AppWindow* window, const char* fileName, SurfaceBitmap* bitmap, DrawSurface* memory)
{
    BitmapInfo* info = CreateBitmapInfo(window, bitmap);
    if (!info || !WriteBitmapFile(window, fileName, info, bitmap, memory))
        ShowMessageBox(window, "Bitmap file is not created", kCaption);
    return info;
}

}

SaveFileRequest SnapshotSaveRequest(AppWindow* owner, char* buffer, std::size_t size)
{
    static const char* const filters[] = {"Bitmap Files (*.bmp)", "*.bmp", "PCX Files (*.pcx)", "*.pcx"};
    SaveFileRequest request = {};
    request.owner = owner;
    request.title = "Snapshot File Name";
    request.filters = filters;
    request.filterCount = 2;
    request.selectedFilter = 1;
    request.fileName = buffer;
    request.fileNameSize = size;
    request.defaultExtension = "bmp";
    request.askBeforeReplacing = true;
    return request;
}

char* SelectSnapshotFile(AppWindow* owner, char* buffer, std::size_t size)
{
    buffer[0] = '\0';
    SaveFileRequest request = SnapshotSaveRequest(owner, buffer, size);
    SaveFileResult result = RunSaveFileDialog(&request);
    // Cutting the path to fit would save under a different name: it is refused.
    // The buffer holds bytes, and a letter outside ASCII takes two or more.
    if (result == SaveFileNameTooLong) {
        char text[64];
        std::snprintf(text, sizeof text, "File name is too long: at most %zu bytes", size - 1);
        ShowMessageBox(owner, text, kCaption);
    }
    return result == SaveFileConfirmed ? buffer : nullptr;
}

void MakeSnapshot(AppWindow* window, char* fileName, std::size_t size)
{
    // A window folded to its menu bar has no pixel to write: an empty picture
    // would be a file no reader takes, so no name is asked for.
    const Rect client = GetClientArea(window);
    const int32_t width = client.right;
    const int32_t height = client.bottom;
    if (width <= 0 || height <= 0) {
        fileName[0] = '\0';
        ShowMessageBox(window, "Nothing to save: the client area is empty", kCaption);
        return;
    }
    DrawSurface* surface = OpenWindowSurface(window);
    DrawSurface* memory = CreateMemorySurface(surface);
    SurfaceBitmap* bitmap = CreateSurfaceBitmap(surface, width, height);
    SurfaceBitmap* previous = SelectSurfaceBitmap(memory, bitmap);
    BitmapInfo* info = nullptr;

    // The picture is taken before the dialog opens, so it never shows the dialog.
    CopySurfaceArea(memory, 0, 0, width, height, surface, 0, 0);
    if (SelectSnapshotFile(window, fileName, size)) {
        // Put the picture back wherever the dialog covered the window.
        CopySurfaceArea(surface, 0, 0, width, height, memory, 0, 0);
        if (HasExtension(fileName, ".pcx"))
            WritePcxSnapshot(window, fileName, surface);
        else if (HasExtension(fileName, ".bmp"))
            info = WriteBmpSnapshot(window, fileName, bitmap, memory);
        else
            ShowMessageBox(window, "File name must end in .bmp or .pcx", kCaption);
    }

    ReleaseMemory(info);
    SelectSurfaceBitmap(memory, previous);
    ReleaseSurfaceBitmap(bitmap);
    DeleteMemorySurface(memory);
    CloseWindowSurface(window, surface);
}
