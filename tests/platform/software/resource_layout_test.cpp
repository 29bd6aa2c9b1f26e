#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "platform/software/dialog_layout.h"
#include "platform/software/menu_layout.h"

namespace {

// "File(Open:1,-,Recent(A:2))": menus with their entries in brackets, items
// with their command ids, separators as "-".
std::string Describe(const std::vector<MenuNode>& entries)
{
    std::string text;
    for (const MenuNode& entry : entries) {
        if (!text.empty())
            text += ",";
        if (entry.kind == MenuSeparator)
            text += "-";
        else if (entry.kind == MenuPopup)
            text += std::string(entry.text) + "(" + Describe(entry.entries) + ")";
        else
            text += std::string(entry.text) + ":" + std::to_string(entry.commandId);
    }
    return text;
}

struct MenuCase {
    const char* name;
    std::vector<MenuEntry> entries;
    const char* bar;
};

class MenuBarLayout : public ::testing::TestWithParam<MenuCase> {};

TEST_P(MenuBarLayout, HoldsThePopupsOfTheResourceWithTheirEntries)
{
    const MenuCase& c = GetParam();
    const MenuResource resource = {1, c.entries.data(), int(c.entries.size())};
    EXPECT_EQ(Describe(MenuBarOf(&resource)), c.bar);
}

INSTANTIATE_TEST_SUITE_P(
    Resources, MenuBarLayout,
    ::testing::Values(
        MenuCase{"nested",
                 {{MenuPopup, "File", 0}, {MenuItem, "Open", 1}, {MenuSeparator, nullptr, 0},
                  {MenuPopup, "Recent", 0}, {MenuItem, "A", 2}, {MenuEnd, nullptr, 0},
                  {MenuItem, "Exit", 3}, {MenuEnd, nullptr, 0},
                  {MenuPopup, "Help", 0}, {MenuItem, "About", 4}, {MenuEnd, nullptr, 0}},
                 "File(Open:1,-,Recent(A:2),Exit:3),Help(About:4)"},
        // A bar holds menus only: items, separators and stray ends around them are passed over.
        MenuCase{"top_level_strays",
                 {{MenuItem, "Lone", 9}, {MenuSeparator, nullptr, 0}, {MenuEnd, nullptr, 0},
                  {MenuPopup, "View", 0}, {MenuItem, "Zoom", 5}, {MenuEnd, nullptr, 0}},
                 "View(Zoom:5)"},
        // A menu the resource never closes holds the rest of it.
        MenuCase{"unclosed", {{MenuPopup, "Edit", 0}, {MenuPopup, "Paste", 0}, {MenuItem, "Text", 6}},
                 "Edit(Paste(Text:6))"},
        MenuCase{"empty", {}, ""}),
    [](const ::testing::TestParamInfo<MenuCase>& info) { return std::string(info.param.name); });

TEST(DialogLayout, DialogUnitsAreQuartersOfTheAverageWidthAndEighthsOfTheHeight)
{
    const DialogUnits units = {6, 13};
    const DialogPlace place = units.Place(10, 16, 7, 9);
    EXPECT_EQ(place.x, 15);
    EXPECT_EQ(place.y, 26);
    EXPECT_EQ(place.width, 10); // 42 / 4, rounded down
    EXPECT_EQ(place.height, 14); // 117 / 8, rounded down
}

TEST(DialogLayout, AnIconShowsItsImageClosestInWidthTheFirstOnATie)
{
    const IconImage images[] = {{48, 48, nullptr}, {16, 16, nullptr}, {32, 32, nullptr}, {24, 24, nullptr}};
    const IconResource icon = {1, images, int(std::size(images))};
    EXPECT_EQ(ClosestIconImage(&icon, 32), &images[2]);
    EXPECT_EQ(ClosestIconImage(&icon, 20), &images[1]); // 16 and 24 are as close
    EXPECT_EQ(ClosestIconImage(&icon, 100), &images[0]);
    const IconResource none = {2, images, 0};
    EXPECT_EQ(ClosestIconImage(&none, 32), nullptr);
    EXPECT_EQ(ClosestIconImage(nullptr, 32), nullptr);
}

} // namespace
