#include "cli/column_choice.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>

#include "cli/error_report.h"

namespace {
bool AllDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A column number from 1 to INT32_MAX, or 0 when text is not one.
int ColumnNumber(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return AllDigits(text) && error == std::errc() && end == text.data() + text.size() ? value : 0;
}

std::string ParseItem(std::string_view item, ColumnPick& pick)
{
    const std::string expected = ": expected a column number from 1, a range (2-4, 2-) or a header's name";
    const std::size_t dash = item.find('-');
    if (AllDigits(item) || (dash != std::string_view::npos && AllDigits(item.substr(0, dash)))) {
        const std::string_view from = item.substr(0, dash);
        const std::string_view to = dash == std::string_view::npos ? from : item.substr(dash + 1);
        pick.first = ColumnNumber(from);
        pick.last = to.empty() ? 0 : ColumnNumber(to);
        if (pick.first == 0 || (!to.empty() && pick.last == 0))
            return "'" + std::string(item) + "'" + expected;
        if (pick.last != 0 && pick.last < pick.first)
            return "'" + std::string(item) + "': a range's end comes before its start";
        return {};
    }
    if (item.empty())
        return "an empty item" + expected;
    pick.name = item;
    return {};
}

std::string Quoted(const std::vector<std::string>& names)
{
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i ? ", '" : "'") + names[i] + "'";
    return text;
}
} // namespace

std::string ParseColumnList(std::string_view list, std::vector<ColumnPick>& picks)
{
    picks.clear();
    while (true) {
        const std::string_view item = list.substr(0, list.find(','));
        ColumnPick pick;
        if (std::string problem = ParseItem(item, pick); !problem.empty())
            return problem;
        picks.push_back(pick);
        if (item.size() == list.size())
            return {};
        list.remove_prefix(item.size() + 1);
    }
}

bool NamesAColumn(const std::vector<ColumnPick>& picks)
{
    return std::any_of(picks.begin(), picks.end(), [](const ColumnPick& pick) { return !pick.name.empty(); });
}

std::string ChooseColumns(const std::vector<ColumnPick>& picks, int64_t width, const std::vector<std::string>& names,
                          std::vector<int>& columns)
{
    columns.clear();
    for (const ColumnPick& pick : picks) {
        if (!pick.name.empty()) {
            const auto found = std::find(names.begin(), names.end(), pick.name);
            if (names.empty())
                return "column '" + pick.name + "' is named, but the table has no header";
            if (found == names.end())
                return "no column is named '" + pick.name + "'; the header holds " + Quoted(names);
            columns.push_back(int(found - names.begin()) + 1);
            continue;
        }
        const int64_t last = pick.last == 0 ? width : pick.last;
        if (pick.first > width || last > width)
            return "column " + std::to_string(std::max<int64_t>(pick.first, last)) +
                   " was chosen, but the table has " + Counted(width, "column");
        for (int64_t column = pick.first; column <= last; ++column)
            columns.push_back(int(column));
    }
    std::vector<bool> chosen(std::size_t(width) + 1);
    for (const int column : columns) {
        if (chosen[std::size_t(column)])
            return "column " + std::to_string(column) + " is chosen twice";
        chosen[std::size_t(column)] = true;
    }
    return {};
}
