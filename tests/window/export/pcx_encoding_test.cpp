#include <gtest/gtest.h>

#include <vector>

#include "export/pcx_encoding.h"
#include "export_files.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Encode(const Bytes& packed)
{
    Bytes encoded(2 * packed.size() + 1, 0xEE);
    std::size_t length = EncodePcxLine(packed.data(), int32_t(packed.size()), encoded.data());
    EXPECT_EQ(encoded[2 * packed.size()], 0xEE) << "wrote past 2 * L bytes";
    encoded.resize(length);
    return encoded;
}

Bytes Repeat(uint8_t value, int count) { return Bytes(std::size_t(count), value); }

Bytes Join(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Decode(const Bytes& encoded) { return DecodePcxRuns(encoded.data(), encoded.size()); }

TEST(PcxEncodingTest, RunsAndSingleBytes)
{
    EXPECT_EQ(Encode(Repeat(0xFF, 16)), (Bytes{0xD0, 0xFF}));
    EXPECT_EQ(Encode(Join(Join(Repeat(0x00, 12), {0x0F}), Repeat(0xFF, 3))), (Bytes{0xCC, 0x00, 0x0F, 0xC3, 0xFF}));
    EXPECT_EQ(Encode({0xC0}), (Bytes{0xC1, 0xC0}));
    EXPECT_EQ(Encode({0xBF}), (Bytes{0xBF}));
    EXPECT_EQ(Encode({0x12, 0x34, 0x34}), (Bytes{0x12, 0xC2, 0x34}));
    EXPECT_EQ(Encode({}), Bytes{});
}

TEST(PcxEncodingTest, RunOfSixtyThreeIsEmittedAtOnce)
{
    EXPECT_EQ(Encode(Join(Repeat(0x55, 63), {0x00})), (Bytes{0xFF, 0x55, 0x00}));
    EXPECT_EQ(Encode(Repeat(0x55, 64)), (Bytes{0xFF, 0x55, 0x55}));
    EXPECT_EQ(Encode(Repeat(0xE0, 64)), (Bytes{0xFF, 0xE0, 0xC1, 0xE0}));
    EXPECT_EQ(Encode(Repeat(0x55, 62)), (Bytes{0xFE, 0x55}));
    EXPECT_EQ(Encode(Repeat(0x07, 130)), (Bytes{0xFF, 0x07, 0xFF, 0x07, 0xC4, 0x07}));
}

TEST(PcxEncodingTest, WorstCaseLinesFitTwiceTheirLengthAndRoundTrip)
{
    // Alternating bytes from 0xC0 up: every byte needs a count byte of its own.
    Bytes worst;
    for (int i = 0; i < 375; ++i)
        worst.push_back(i % 2 ? 0xC0 : 0xFF);
    Bytes encoded = Encode(worst);
    EXPECT_EQ(encoded.size(), 750u);
    EXPECT_EQ(Decode(encoded), worst);

    Bytes mixed;
    for (int i = 0; i < 1000; ++i)
        mixed.push_back(uint8_t(i * i / 97));
    EXPECT_EQ(Decode(Encode(mixed)), mixed);
}

TEST(PcxEncodingTest, PackingPutsTheFirstPixelInTheHighBit)
{
    Bytes line(32, 1);
    for (int i = 0; i < 8; ++i)
        line[std::size_t(i)] = uint8_t(i == 0 || i == 7);
    line[9] = 0;
    Bytes packed(4);
    PackPcxLine(line.data(), 4, packed.data());
    EXPECT_EQ(packed, (Bytes{0x81, 0xBF, 0xFF, 0xFF}));
}

TEST(PcxEncodingTest, LinePaddingIsWholeThirtyTwoBitUnits)
{
    EXPECT_EQ(PcxBytesPerLine(0), 0);
    EXPECT_EQ(PcxBytesPerLine(1), 4);
    EXPECT_EQ(PcxBytesPerLine(32), 4);
    EXPECT_EQ(PcxBytesPerLine(33), 8);
    EXPECT_EQ(PcxBytesPerLine(100), 16);
    EXPECT_EQ(PcxBytesPerLine(2048), 256);
    EXPECT_EQ(PcxBytesPerLine(3000), 376);
}

TEST(PcxEncodingTest, HeaderOfAHundredByFiftyClient)
{
    uint8_t header[kPcxHeaderSize];
    std::fill(header, header + kPcxHeaderSize, 0xEE);
    EncodePcxHeader(100, 50, 0x00FFFFFF, header);
    Bytes expected(128, 0);
    expected[0] = 10;             // manufacturer
    expected[1] = 5;              // version
    expected[2] = 1;              // run-length encoding
    expected[3] = 1;              // bits per pixel
    expected[8] = 99;             // window right
    expected[10] = 49;            // window bottom
    expected[12] = 0x80;          // 640
    expected[13] = 0x02;
    expected[14] = 0xE0;          // 480
    expected[15] = 0x01;
    expected[19] = 255;           // palette entry 1: white
    expected[20] = 255;
    expected[21] = 255;
    expected[65] = 1;             // one plane
    expected[66] = 16;            // bytes per line
    expected[68] = 1;             // palette information
    EXPECT_EQ(Bytes(header, header + 128), expected);
}

TEST(PcxEncodingTest, BackgroundColourIsPaletteEntryOneAsRedGreenBlue)
{
    uint8_t header[kPcxHeaderSize];
    EncodePcxHeader(10, 10, 0x000080FF, header);
    EXPECT_EQ(Bytes(header + 16, header + 22), (Bytes{0, 0, 0, 255, 128, 0}));
}

TEST(PcxEncodingTest, EmptyAxisReadsAsMinusOne)
{
    uint8_t header[kPcxHeaderSize];
    EncodePcxHeader(0, 20, 0, header);
    EXPECT_EQ(header[8], 0xFF);
    EXPECT_EQ(header[9], 0xFF);
    EXPECT_EQ(header[10], 19);
    EXPECT_EQ(header[66], 0);
    EncodePcxHeader(30, 0, 0, header);
    EXPECT_EQ(header[8], 29);
    EXPECT_EQ(header[10], 0xFF);
    EXPECT_EQ(header[11], 0xFF);
    EXPECT_EQ(header[66], 4);
}

}
