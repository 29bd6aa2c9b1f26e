#include "picture_checks.h"

#include "export_files.h"

testing::AssertionResult BmpShowsPicture(const std::vector<uint8_t>& file, const std::vector<Color>& colors,
                                         int32_t width, int32_t height)
{
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M')
        return testing::AssertionFailure() << "not a BMP file";
    if (int32_t(Le32(file, 18)) != width || int32_t(Le32(file, 22)) != height || Le16(file, 28) != 32)
        return testing::AssertionFailure() << "not a 32-bit " << width << " x " << height << " bitmap";
    std::size_t rows = Le32(file, 10);
    if (file.size() < rows + std::size_t(width) * std::size_t(height) * 4)
        return testing::AssertionFailure() << "rows missing";
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            std::size_t at = rows + (std::size_t(height - 1 - y) * std::size_t(width) + std::size_t(x)) * 4;
            Color got = MakeColor(file[at + 2], file[at + 1], file[at]);
            Color want = colors[std::size_t(y) * std::size_t(width) + std::size_t(x)];
            if (got != want || file[at + 3] != 0)
                return testing::AssertionFailure() << "pixel " << x << ", " << y << " is " << std::hex << got
                                                   << " (fourth byte " << int(file[at + 3]) << "), not " << want;
        }
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult PcxShowsPicture(const std::vector<uint8_t>& file, const std::vector<Color>& colors,
                                         int32_t width, int32_t height, Color background)
{
    if (file.size() < 128 || file[0] != 10 || file[1] != 5)
        return testing::AssertionFailure() << "not a PCX file";
    std::size_t bytesPerLine = Le16(file, 66);
    std::vector<uint8_t> lines = DecodePcxRuns(file.data() + 128, file.size() - 128);
    if (lines.size() != bytesPerLine * std::size_t(height))
        return testing::AssertionFailure() << "decoded " << lines.size() << " bytes, not " << height << " lines of "
                                           << bytesPerLine;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < int32_t(8 * bytesPerLine); ++x) {
            int bit = lines[std::size_t(y) * bytesPerLine + std::size_t(x / 8)] >> (7 - x % 8) & 1;
            int want = x >= width || colors[std::size_t(y) * std::size_t(width) + std::size_t(x)] == background;
            if (bit != want)
                return testing::AssertionFailure() << "pixel " << x << ", " << y << " is " << bit;
        }
    }
    return testing::AssertionSuccess();
}
