// Grid navigation as a pure function: from the current data column, the
// columns' tab stops and a navigation key to the row move the grid must make
// and the column that becomes current. The grid turns the row move into
// record-set calls (posting, appending and cancelling as the keys require);
// everything here can be tested without a record set or a widget.
#pragma once

#include <vector>

// Navigation keys, after the grid has folded modifiers into them.
enum TGridKey {
    gkUp, gkDown, gkPageUp, gkPageDown,
    gkLeft, gkRight, gkHome, gkEnd,
    gkTab, gkBackTab,
    gkCtrlHome, gkCtrlEnd,     // first / last row of the record set
    gkCtrlUp, gkCtrlDown,      // first / last row of the window (also Ctrl+PgUp / Ctrl+PgDn)
    gkCtrlLeft, gkCtrlRight    // first / last data column
};

// The row move that goes with a key.
enum TGridRowMove {
    grNone,
    grUp, grDown,              // one row, with the new-row rules of Up and Down
    grPageUp, grPageDown,      // by the number of visible rows
    grFirst, grLast,           // first / last row of the record set
    grWindowTop, grWindowBottom
};

struct TGridNavigation {
    TGridRowMove Row = grNone;
    int Col = 1;               // data column, from 1
    bool operator==(const TGridNavigation&) const = default;
};

// Col is the current data column (1 .. TabStops.size()); TabStops[i] tells
// whether data column i + 1 is a tab stop. With no data column at all the
// column stays 1.
//
// Tab and BackTab step column by column, wrapping into the next (previous)
// row once, and stop at the first tab stop; coming back to the starting
// column stops there (after the wrap's row move). When no column is a tab
// stop they do nothing.
TGridNavigation Navigate(int Col, const std::vector<bool>& TabStops, TGridKey Key);
