// The columns --columns chooses: numbers counted from 1 (3), ranges (2-4,
// or 2- for every column from the second on) and a header's names (lat),
// separated by commas, in the order the table's rows take them. The list is
// checked on its own first; what it means is known only once the table's
// width (and header) is.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ColumnPick {
    int first = 0;     // 1-based; 0 when the pick is a name
    int last = 0;      // the range's end; 0: up to the table's last column
    std::string name;  // a header's name
};

// The picks of a list such as "lat,lon" or "1,3-4,6-"; an empty string when
// it is one, else why it is not.
std::string ParseColumnList(std::string_view list, std::vector<ColumnPick>& picks);

// The 1-based columns the picks choose of a table width columns wide whose
// header holds names (none: empty), in the picks' order; an empty string,
// else the one line that says why they cannot be chosen.
std::string ChooseColumns(const std::vector<ColumnPick>& picks, int64_t width, const std::vector<std::string>& names,
                          std::vector<int>& columns);

bool NamesAColumn(const std::vector<ColumnPick>& picks);
