#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "display/panels.h"

namespace {

TEST(PanelText, PickedVectorLineClosesTheListWithABracket)
{
    char line[64];
    const int32_t coordinates[] = {100, -37};
    EXPECT_EQ(FormatPickedVectorLine(line, sizeof line, 1, coordinates, 2), 17);
    EXPECT_STREQ(line, " w[1] = (100,-37)");

    const int32_t three[] = {-180, 0, 5};
    FormatPickedVectorLine(line, sizeof line, 2, three, 3);
    EXPECT_STREQ(line, " w[2] = (-180,0,5)");
}

TEST(PanelText, PickedVectorLineCutShortStaysTerminatedInsideTheBuffer)
{
    char line[16];
    std::memset(line, 'x', sizeof line);
    const int32_t coordinates[] = {-123456, -654321};
    const int length = FormatPickedVectorLine(line, sizeof line, 1, coordinates, 2);
    EXPECT_EQ(length, 15);
    EXPECT_EQ(std::strlen(line), 15u);
    EXPECT_EQ(line[14], ')');
}

TEST(PanelText, ResultCaptionsNameTheCentreFound)
{
    int32_t rows[3][2] = {{1, 2}, {-17, 142}, {5, 6}};
    int32_t* noisy[3] = {rows[0], rows[1], rows[2]};
    VectorSeriesHeader series = {};
    series.length = 1000;
    series.repeats = 502;
    series.noiseLevel = 25;
    series.noisyVectorValues = noisy;
    series.centerIndex = 2; // 1-based: the second row

    char captions[kResultCaptionCount][kResultCaptionSize];
    FormatResultCaptions(&series, captions);
    EXPECT_STREQ(captions[0], " series length 1000");
    EXPECT_STREQ(captions[1], " number of repeats 502");
    EXPECT_STREQ(captions[2], " noise level 25");
    EXPECT_STREQ(captions[3], " subset center [-17,142]");
}

} // namespace
