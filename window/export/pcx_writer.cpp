#include "export/pcx_writer.h"

#include "export/pcx_encoding.h"
#include "platform/drawing.h"
#include "platform/file_io.h"
#include "platform/memory.h"
#include "platform/message_box.h"
#include "platform/window.h"

namespace {

constexpr const char* kCaption = "About PCX";

void Report(AppWindow* window, const char* text) { ShowMessageBox(window, text, kCaption); }

// The temporary file is gone before the message shows: a program ended
// while the box waits leaves nothing behind.
int FailWithFileOpen(AppWindow* window, const char* text, void* line, void* codes, FileHandle file)
{
    DiscardFile(file);
    Report(window, text);
    ReleaseMemory(line);
    ReleaseMemory(codes);
    return 0;
}

// One pixel value per position of the line: 1 for the background colour and
// for the padding beyond the width, 0 for every other colour.
void SamplePcxLine(DrawSurface* surface, int32_t y, int32_t width, Color background, uint8_t* line,
                   int32_t bitsPerLine)
{
    for (int32_t x = 0; x < width; ++x)
        line[x] = ReadPixel(surface, x, y) == background ? 1 : 0;
    for (int32_t x = width; x < bitsPerLine; ++x)
        line[x] = 1;
}

}

int WritePcxFile(AppWindow* window, const char* fileName, DrawSurface* surface)
{
    Rect client = GetClientArea(window);
    int32_t width = client.right;
    int32_t height = client.bottom;
    int32_t bytesPerLine = PcxBytesPerLine(width);
    int32_t bitsPerLine = 8 * bytesPerLine;

    Color background = ReadBackgroundColor(surface);
    uint8_t header[kPcxHeaderSize];
    EncodePcxHeader(width, height, background, header);

    auto* line = static_cast<uint8_t*>(AllocateZeroed(std::size_t(bitsPerLine)));
    if (!line) {
        Report(window, "Нет памяти для буфера строки!");
        return 0;
    }
    // The packed line, followed by room for its encoding (at most two bytes per packed byte).
    auto* codes = static_cast<uint8_t*>(AllocateZeroed(3 * std::size_t(bytesPerLine)));
    if (!codes) {
        Report(window, "Нет памяти для кодов строки!");
        ReleaseMemory(line);
        return 0;
    }
    uint8_t* packed = codes;
    uint8_t* encoded = codes + bytesPerLine;

    FileHandle file = OpenFileForWriting(fileName);
    if (file == kNoFile) {
        Report(window, "CreateFile ERROR!");
        ReleaseMemory(line);
        ReleaseMemory(codes);
        return 0;
    }
    if (!WriteFileBytes(file, header, kPcxHeaderSize))
        return FailWithFileOpen(window, "ERROR while writing PCXHEADER!", line, codes, file);
    for (int32_t y = 0; y < height; ++y) {
        SamplePcxLine(surface, y, width, background, line, bitsPerLine);
        PackPcxLine(line, bytesPerLine, packed);
        std::size_t encodedBytes = EncodePcxLine(packed, bytesPerLine, encoded);
        if (!WriteFileBytes(file, encoded, encodedBytes))
            return FailWithFileOpen(window, "ERROR while writing PCX codes!", line, codes, file);
    }
    if (!CloseFileHandle(file)) {
        Report(window, "CloseHandle ERROR!");
        ReleaseMemory(line);
        ReleaseMemory(codes);
        return 0;
    }
    ReleaseMemory(line);
    ReleaseMemory(codes);
    return 1;
}
