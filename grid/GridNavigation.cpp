#include "grid/GridNavigation.h"

#include <algorithm>

namespace {

TGridNavigation TabStep(int Col, const std::vector<bool>& TabStops, bool Forward)
{
    const int count = static_cast<int>(TabStops.size());
    if (std::find(TabStops.begin(), TabStops.end(), true) == TabStops.end())
        return {grNone, Col};
    TGridNavigation result{grNone, Col};
    int col = Col;
    for (;;) {
        col += Forward ? 1 : -1;
        if (col > count) {
            result.Row = grDown;
            col = 1;
        } else if (col < 1) {
            result.Row = grUp;
            col = count;
        }
        if (col == Col || TabStops[static_cast<std::size_t>(col - 1)])
            break;
    }
    result.Col = col;
    return result;
}

} // namespace

TGridNavigation Navigate(int Col, const std::vector<bool>& TabStops, TGridKey Key)
{
    const int count = static_cast<int>(TabStops.size());
    if (count == 0)
        Col = 1;
    const int last = std::max(count, 1);
    switch (Key) {
    case gkUp: return {grUp, Col};
    case gkDown: return {grDown, Col};
    case gkPageUp: return {grPageUp, Col};
    case gkPageDown: return {grPageDown, Col};
    case gkLeft: return {grNone, std::max(Col - 1, 1)};
    case gkRight: return {grNone, std::min(Col + 1, last)};
    // With a single data column Home and End have no column to move to and
    // move between the first and last rows instead.
    case gkHome: return count == 1 ? TGridNavigation{grFirst, Col} : TGridNavigation{grNone, 1};
    case gkEnd: return count == 1 ? TGridNavigation{grLast, Col} : TGridNavigation{grNone, last};
    case gkTab: return TabStep(Col, TabStops, true);
    case gkBackTab: return TabStep(Col, TabStops, false);
    case gkCtrlHome: return {grFirst, Col};
    case gkCtrlEnd: return {grLast, Col};
    case gkCtrlUp: return {grWindowTop, Col};
    case gkCtrlDown: return {grWindowBottom, Col};
    case gkCtrlLeft: return {grNone, 1};
    case gkCtrlRight: return {grNone, last};
    }
    return {grNone, Col};
}
