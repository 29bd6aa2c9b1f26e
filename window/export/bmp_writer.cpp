#include "export/bmp_writer.h"

#include <algorithm>

#include "export/little_endian.h"
#include "platform/file_io.h"
#include "platform/memory.h"
#include "platform/message_box.h"

namespace {

constexpr const char* kCaption = "About Bitmap";

void Report(AppWindow* owner, const char* text) { ShowMessageBox(owner, text, kCaption); }

// The colour table follows the info header: 40 + 4 * clrUsed bytes.
std::size_t InfoBytes(const BitmapInfo* info) { return info->header.size + 4 * std::size_t(info->header.clrUsed); }

// The whole file, which is the size of the pixel buffer too.
std::size_t FileBytes(const BitmapInfo* info)
{
    return kBmpFileHeaderSize + InfoBytes(info) + info->header.sizeImage;
}

// The temporary file is gone before the message shows: a program ended
// while the box waits leaves nothing behind.
int FailWithFileOpen(AppWindow* owner, const char* text, void* buffer, FileHandle file)
{
    DiscardFile(file);
    Report(owner, text);
    ReleaseMemory(buffer);
    return 0;
}

}

uint16_t BmpBitCount(uint16_t planesTimesBits)
{
    if (planesTimesBits == 1)
        return 1;
    if (planesTimesBits <= 4)
        return 4;
    if (planesTimesBits <= 8)
        return 8;
    if (planesTimesBits <= 16)
        return 16;
    if (planesTimesBits <= 24)
        return 24;
    return 32;
}

uint32_t BmpColorCount(uint16_t bitCount) { return bitCount < 16 ? 1u << bitCount : 0; }

uint32_t BmpImageSize(int32_t width, int32_t height, uint16_t bitCount)
{
    int64_t allotted = int64_t((width + 7) / 8) * height * bitCount;
    int64_t rows = (int64_t(width) * bitCount + 31) / 32 * 4 * height;
    return uint32_t(std::max(allotted, rows));
}

std::size_t EncodeBmpHeaders(const BitmapInfo* info, uint8_t* out)
{
    const BitmapInfoHeader& h = info->header;
    uint32_t offBits = uint32_t(kBmpFileHeaderSize + InfoBytes(info));
    uint8_t* p = out;
    // File header.
    p = PutUint8(p, 'B');                        // bfType, first letter
    p = PutUint8(p, 'M');                        // bfType, second letter
    p = PutUint32(p, offBits + h.sizeImage);     // bfSize: the whole file
    p = PutUint16(p, 0);                         // bfReserved1
    p = PutUint16(p, 0);                         // bfReserved2
    p = PutUint32(p, offBits);                   // bfOffBits: where the pixel rows start
    // Info header.
    p = PutUint32(p, h.size);                    // biSize
    p = PutUint32(p, uint32_t(h.width));         // biWidth
    p = PutUint32(p, uint32_t(h.height));        // biHeight
    p = PutUint16(p, h.planes);                  // biPlanes
    p = PutUint16(p, h.bitCount);                // biBitCount
    p = PutUint32(p, h.compression);             // biCompression
    p = PutUint32(p, h.sizeImage);               // biSizeImage
    p = PutUint32(p, uint32_t(h.xPelsPerMeter)); // biXPelsPerMeter
    p = PutUint32(p, uint32_t(h.yPelsPerMeter)); // biYPelsPerMeter
    p = PutUint32(p, h.clrUsed);                 // biClrUsed
    p = PutUint32(p, h.clrImportant);            // biClrImportant
    // Colour table: blue, green, red, 0 per entry.
    for (uint32_t i = 0; i < h.clrUsed; ++i) {
        p = PutUint8(p, info->colors[i].blue);
        p = PutUint8(p, info->colors[i].green);
        p = PutUint8(p, info->colors[i].red);
        p = PutUint8(p, info->colors[i].reserved);
    }
    return std::size_t(p - out);
}

BitmapInfo* CreateBitmapInfo(AppWindow* owner, SurfaceBitmap* bitmap)
{
    BitmapDescription bm;
    if (!ReadBitmapDescription(bitmap, &bm)) {
        Report(owner, "Проблемы при выполнении GetObject");
        return nullptr;
    }
    uint16_t bitCount = BmpBitCount(uint16_t(bm.planes * bm.bitsPerPixel));
    uint32_t colorCount = BmpColorCount(bitCount);
    auto* info = static_cast<BitmapInfo*>(AllocateZeroed(kBmpInfoHeaderSize + 4 * std::size_t(colorCount)));
    if (!info) {
        Report(owner, "Нет памяти для BITMAPINFO");
        return nullptr;
    }
    BitmapInfoHeader& h = info->header;
    h.size = kBmpInfoHeaderSize;
    h.width = bm.width;
    h.height = bm.height;
    h.planes = bm.planes;
    h.bitCount = bm.bitsPerPixel;
    h.compression = 0;
    h.sizeImage = BmpImageSize(bm.width, bm.height, bitCount);
    h.xPelsPerMeter = 0;
    h.yPelsPerMeter = 0;
    h.clrUsed = colorCount;
    h.clrImportant = 0;
    return info;
}

int WriteBitmapFile(AppWindow* owner, const char* fileName, BitmapInfo* info, SurfaceBitmap* bitmap,
                    DrawSurface* surface)
{
    void* buffer = AllocateZeroed(FileBytes(info));
    if (!buffer) {
        Report(owner, "GlobalAlloc ERROR!");
        return 0;
    }
    int32_t height = info->header.height;
    if (FetchBitmapRows(surface, bitmap, 0, uint16_t(height), buffer, info) != height) {
        Report(owner, "GetDIBits ERROR!");
        ReleaseMemory(buffer);
        return 0;
    }
    FileHandle file = OpenFileForWriting(fileName);
    if (file == kNoFile) {
        Report(owner, "CreateFile ERROR!");
        ReleaseMemory(buffer);
        return 0;
    }
    uint8_t headers[kBmpFileHeaderSize + kBmpInfoHeaderSize + 4 * 256];
    std::size_t headerBytes = EncodeBmpHeaders(info, headers);
    if (!WriteFileBytes(file, headers, kBmpFileHeaderSize))
        return FailWithFileOpen(owner, "ERROR while writing BITMAPFILEHEADER!", buffer, file);
    if (!WriteFileBytes(file, headers + kBmpFileHeaderSize, headerBytes - kBmpFileHeaderSize))
        return FailWithFileOpen(owner, "ERROR while writing BITMAPINFOHEADER!", buffer, file);
    if (!WriteFileBytes(file, buffer, info->header.sizeImage))
        return FailWithFileOpen(owner, "ERROR while writing bitmap bits!", buffer, file);
    if (!CloseFileHandle(file)) {
        Report(owner, "CloseHandle ERROR!");
        ReleaseMemory(buffer);
        return 0;
    }
    ReleaseMemory(buffer);
    return 1;
}
