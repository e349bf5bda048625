// Navigation as a pure function: from the current data column, the tab
// stops and a key to the row move and the new column.
#include "grid/GridNavigation.h"

#include <gtest/gtest.h>

namespace {

struct NavigationCase {
    const char* name;
    int col;
    std::vector<bool> stops;
    TGridKey key;
    TGridNavigation expected;
};

const std::vector<bool> kAll = {true, true, true, true};
// The third column is read-only.
const std::vector<bool> kThirdReadOnly = {true, true, false, true};

const NavigationCase kCases[] = {
    {"Up moves a row up", 2, kAll, gkUp, {grUp, 2}},
    {"Down moves a row down", 2, kAll, gkDown, {grDown, 2}},
    {"PgUp moves a page", 3, kAll, gkPageUp, {grPageUp, 3}},
    {"PgDn moves a page", 3, kAll, gkPageDown, {grPageDown, 3}},
    {"Left moves a column back", 3, kAll, gkLeft, {grNone, 2}},
    {"Left on the first column stays", 1, kAll, gkLeft, {grNone, 1}},
    {"Right moves a column on", 3, kAll, gkRight, {grNone, 4}},
    {"Right on the last column stays", 4, kAll, gkRight, {grNone, 4}},
    {"Left and Right ignore tab stops", 2, kThirdReadOnly, gkRight, {grNone, 3}},
    {"Home goes to the first column", 3, kAll, gkHome, {grNone, 1}},
    {"End goes to the last column", 2, kAll, gkEnd, {grNone, 4}},
    {"Home with a single column goes to the first row", 1, {true}, gkHome, {grFirst, 1}},
    {"End with a single column goes to the last row", 1, {true}, gkEnd, {grLast, 1}},
    {"Ctrl+Home goes to the first row", 3, kAll, gkCtrlHome, {grFirst, 3}},
    {"Ctrl+End goes to the last row", 3, kAll, gkCtrlEnd, {grLast, 3}},
    {"Ctrl+Up goes to the window's top row", 3, kAll, gkCtrlUp, {grWindowTop, 3}},
    {"Ctrl+Down goes to the window's bottom row", 3, kAll, gkCtrlDown, {grWindowBottom, 3}},
    {"Ctrl+Left goes to the first column", 3, kAll, gkCtrlLeft, {grNone, 1}},
    {"Ctrl+Right goes to the last column", 2, kAll, gkCtrlRight, {grNone, 4}},
    {"Tab steps to the next column", 1, kAll, gkTab, {grNone, 2}},
    {"Tab skips a column that is no tab stop", 2, kThirdReadOnly, gkTab, {grNone, 4}},
    {"Tab past the last column goes to the next row's first column", 4, kAll, gkTab, {grDown, 1}},
    {"Tab past the last column skips to the first tab stop", 4, {false, true, true, true}, gkTab, {grDown, 2}},
    {"Shift+Tab steps back", 4, kThirdReadOnly, gkBackTab, {grNone, 2}},
    {"Shift+Tab before the first column goes to the previous row's last column", 1, kAll, gkBackTab, {grUp, 4}},
    {"Tab with a single tab stop comes back to it on the next row", 2, {false, true, false}, gkTab, {grDown, 2}},
    {"Tab with no tab stop does nothing", 2, {false, false, false}, gkTab, {grNone, 2}},
    {"Shift+Tab with no tab stop does nothing", 2, {false, false}, gkBackTab, {grNone, 2}},
    {"a closed grid has no column to move to", 1, {}, gkRight, {grNone, 1}},
    {"Tab on a closed grid does nothing", 1, {}, gkTab, {grNone, 1}},
};

class Navigation : public ::testing::TestWithParam<NavigationCase> {};

TEST_P(Navigation, Key)
{
    const NavigationCase& c = GetParam();
    const TGridNavigation result = Navigate(c.col, c.stops, c.key);
    EXPECT_EQ(result.Row, c.expected.Row) << c.name;
    EXPECT_EQ(result.Col, c.expected.Col) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, Navigation, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<NavigationCase>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 if (std::isalnum(static_cast<unsigned char>(*p)))
                                     name += *p;
                             return name;
                         });

} // namespace
