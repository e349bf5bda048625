// What the grid shows and how it paints: the closed, empty and filled grid,
// column titles and widths, right-aligned numbers, the indicator symbols,
// the window of buffers it asks of the record set, the vertical bar's two
// modes, and painting only what a one-row scroll brought into view, at most
// once per frame during a burst of moves.
#include "GridFixture.h"

#include "MemoryDataSet.h"

#include <QElapsedTimer>
#include <QScreen>
#include <QScrollBar>

namespace {

const QStringList kManyRows = {QStringLiteral("patient_schema.sql"), QStringLiteral("patient_rows.sql"),
                               QStringLiteral("many_rows.sql")};

// Whether any pixel of the rectangle is dark (text or a symbol).
bool HasInk(const QImage& image, const QRect& rect)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (qGray(image.pixel(x, y)) < 100)
                return true;
    return false;
}

QRect RowRect(const TDBGrid& grid, int row)
{
    return QRect(0, grid.TitleRowHeight() + 1 + (row - 1) * (grid.DefaultRowHeight() + 1), grid.viewport()->width(),
                 grid.DefaultRowHeight() + 1);
}

// The pixels the window shows (its backing store) against a fresh
// rendering of the same state.
void ExpectScreenMatchesState(GridFixture& f)
{
    QCoreApplication::processEvents();
    const QImage shown = f.window->screen()->grabWindow(f.window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage fresh = f.window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), fresh.size());
    EXPECT_TRUE(shown == fresh) << "the screen differs from the grid's state";
}

TEST(GridPaint, IndicatorSymbolsFollowTheirPixelTables)
{
    // X marks a black pixel, rows from the top.
    const std::vector<std::pair<TGridIndicator, std::vector<const char*>>> tables = {
        {giArrow,
         {"X.....", "XX....", "XXX...", "XXXX..", "XXXXX.", "XXXXXX", "XXXXX.", "XXXX..", "XXX...", "XX....", "X....."}},
        {giEdit,
         {"XX..XX", "..XX..", "..XX..", "..XX..", "..XX..", "..XX..", "..XX..", "..XX..", "..XX..", "..XX..", "XX..XX"}},
        {giInsert,
         {"......", "......", "......", ".X..X.", "..XX..", "XXXXXX", "..XX..", ".X..X.", "......", "......", "......"}},
    };
    for (const auto& [symbol, rows] : tables) {
        const QImage& image = IndicatorImage(symbol);
        ASSERT_EQ(image.size(), QSize(6, 11));
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 6; ++x) {
                const bool black = rows[static_cast<std::size_t>(y)][x] == 'X';
                EXPECT_EQ(IndicatorPixel(symbol, x, y), black) << symbol << " " << x << "," << y;
                EXPECT_EQ(qAlpha(image.pixel(x, y)), black ? 255 : 0) << symbol << " " << x << "," << y;
            }
    }
}

TEST(GridPaint, AClosedGridShowsOneBlankColumnAndOneBlankRow)
{
    GridFixture f;
    ASSERT_EQ(f.grid->Columns().Count(), 1);
    EXPECT_EQ(f.grid->Columns()[0]->Field(), nullptr);
    EXPECT_EQ(f.grid->Columns()[0]->Title(), QString());
    EXPECT_EQ(f.grid->ColWidth(1), 64);
    EXPECT_EQ(f.grid->RowCount(), 2);
    EXPECT_EQ(f.PaintedIndicator(), -1);
    EXPECT_FALSE(f.EditorOpen());
    EXPECT_FALSE(f.grid->verticalScrollBar()->isVisible());
    const QImage image = f.grid->viewport()->grab().toImage();
    EXPECT_FALSE(HasInk(image, f.grid->CellRect(1, 0).adjusted(2, 2, -2, -2))) << "the title is empty";
    EXPECT_FALSE(HasInk(image, f.grid->CellRect(0, 1).adjusted(1, 1, -1, -1))) << "no indicator symbol";
}

TEST(GridPaint, AnOpenEmptyRecordSetShowsTheTitlesAndOneBlankRowWithTheArrow)
{
    GridFixture f({QStringLiteral("patient_schema.sql")});
    f.Open();
    ASSERT_EQ(f.grid->Columns().Count(), 4);
    EXPECT_EQ(f.grid->RowCount(), 2);
    EXPECT_EQ(f.PaintedIndicator(), giArrow);
    const QImage image = f.grid->viewport()->grab().toImage();
    EXPECT_TRUE(HasInk(image, f.grid->CellRect(1, 0).adjusted(2, 2, -2, -2)));
    EXPECT_FALSE(HasInk(image, f.grid->CellRect(3, 1)));
}

TEST(GridPaint, AFilledGridShowsTheTitledColumnsAtLeastAsWideAsTheirTitles)
{
    GridFixture f;
    f.Open();
    const QStringList titles = {QStringLiteral("CODICE_CLIENTE"), QStringLiteral("NUMERO_CARTELLA"),
                                QStringLiteral("AUTOID"), QStringLiteral("EXTFILE")};
    ASSERT_EQ(f.grid->Columns().Count(), 4);
    const QFontMetrics title(f.grid->TitleFont());
    const QFontMetrics cell(f.grid->font());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(f.grid->Columns()[i]->Title(), titles[i]);
        EXPECT_GE(f.grid->ColWidth(i + 1), title.horizontalAdvance(titles[i]) + 4) << titles[i].toStdString();
    }
    // EXTFILE holds 255 characters: its width comes from the digit width.
    EXPECT_EQ(f.grid->ColWidth(4), cell.horizontalAdvance(QLatin1Char('0')) * 255 + 4);
    EXPECT_EQ(f.grid->RowCount(), 6);
    EXPECT_EQ(f.grid->DefaultRowHeight(), cell.height() + 4);
    EXPECT_EQ(f.PaintedIndicator(), giArrow);
    // Numbers stand at the right of their cells, paths at the left.
    f.other->setFocus(); // no highlight on the current cell
    const QImage image = f.grid->viewport()->grab().toImage();
    const QRect number = f.grid->CellRect(2, 2);
    EXPECT_TRUE(HasInk(image, QRect(number.right() - 12, number.top(), 10, number.height())));
    EXPECT_FALSE(HasInk(image, QRect(number.left(), number.top(), number.width() / 2, number.height())));
    const QRect path = f.grid->CellRect(4, 2);
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(HasInk(image, QRect(path.left() + 3, path.top(), 10, path.height())));
}

TEST(GridPaint, ElevenVisibleRowsMakeAWindowOfTwelveBuffers)
{
    GridFixture f(kManyRows, 11);
    f.Open();
    EXPECT_EQ(f.grid->VisibleRowCount(), 11);
    EXPECT_EQ(f.grid->DataLink()->BufferCount(), 11);
    EXPECT_EQ(f.ds().BufferCount(), 11); // plus the scratch buffer: twelve
    EXPECT_EQ(f.ds().WindowRecordCount(), 11);
    EXPECT_EQ(f.grid->RowCount(), 12);
    f.SetVisibleRows(5);
    EXPECT_EQ(f.ds().BufferCount(), 5);
    EXPECT_EQ(f.grid->RowCount(), 6);
}

TEST(GridPaint, TheFivePositionBarBecomesProportionalOnceEveryRowIsFetched)
{
    GridFixture f(kManyRows, 11);
    f.Open();
    QScrollBar* bar = f.grid->verticalScrollBar();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_FALSE(f.ds().IsSequenced());
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 4);
    EXPECT_EQ(bar->value(), 0);
    f.RunScript(QStringLiteral("Down"));
    EXPECT_EQ(bar->value(), 2);
    // Actions on the five positions: the page below, then the last row.
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(f.Current("AUTOID"), QStringLiteral("107"));
    f.RunScript(QStringLiteral("^End"));
    EXPECT_TRUE(f.ds().IsSequenced());
    EXPECT_EQ(bar->minimum(), 1);
    EXPECT_EQ(bar->maximum(), 1505);
    EXPECT_EQ(bar->pageStep(), 11);
    EXPECT_EQ(bar->value(), 1505);
    f.RunScript(QStringLiteral("^Home"));
    EXPECT_EQ(bar->value(), 1);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); // the row below the last visible one
    EXPECT_EQ(f.ds().RecNo(), 12);
    EXPECT_EQ(bar->value(), 12);
    ExpectScreenMatchesState(f);
}

TEST(GridPaint, ARecordSetWithFewRowsHasAProportionalBarAndOneRowNone)
{
    GridFixture f;
    f.Open();
    EXPECT_TRUE(f.grid->verticalScrollBar()->isVisible());
    EXPECT_EQ(f.grid->verticalScrollBar()->maximum(), 5);
    GridFixture one({QStringLiteral("patient_schema.sql")});
    one.Open();
    EXPECT_FALSE(one.grid->verticalScrollBar()->isVisible());
}

TEST(GridPaint, AOneRowScrollPaintsOnlyTheNewRowAndTheOldAndNewCurrentRows)
{
    GridFixture f(kManyRows, 11);
    f.Open();
    f.RunScript(QStringLiteral("^Down"));
    ASSERT_EQ(f.grid->Row(), 11);
    QTest::qWait(2 * TDBGrid::FrameInterval);
    ASSERT_TRUE(f.ds().Active());
    const int before = f.grid->PaintCount();
    f.ds().Next(); // the window scrolls by one row
    EXPECT_EQ(f.grid->PaintCount(), before + 1) << "painted at once";
    EXPECT_EQ(f.grid->Row(), 11);
    const QRegion painted = f.grid->LastPaintedRegion();
    // Row 11 came into view and is the new current row; the old current row
    // moved up to row 10.
    EXPECT_EQ(painted.boundingRect(), RowRect(*f.grid, 10).united(RowRect(*f.grid, 11)));
    ExpectScreenMatchesState(f);

    // A move inside the window paints the two current rows only.
    QTest::qWait(2 * TDBGrid::FrameInterval);
    const int again = f.grid->PaintCount();
    f.ds().MoveBy(-3);
    EXPECT_EQ(f.grid->PaintCount(), again + 1);
    EXPECT_EQ(f.grid->LastPaintedRegion(), QRegion(RowRect(*f.grid, 8)).united(RowRect(*f.grid, 11)));
    ExpectScreenMatchesState(f);
}

TEST(GridPaint, ABurstOfMovesPaintsAtMostOncePerFrameAndEndsPainted)
{
    GridFixture f(kManyRows, 11);
    f.Open();
    QTest::qWait(2 * TDBGrid::FrameInterval);
    const int before = f.grid->PaintCount();
    QElapsedTimer clock;
    clock.start();
    int moves = 0;
    // The program's walk: no event loop runs while it goes on.
    while (!f.ds().Eof() && clock.elapsed() < 300) {
        f.ds().Next();
        ++moves;
    }
    const qint64 elapsed = clock.elapsed();
    const int paints = f.grid->PaintCount() - before;
    EXPECT_GT(moves, paints);
    EXPECT_GE(paints, 1);
    EXPECT_LE(paints, elapsed / TDBGrid::FrameInterval + 1);
    // The last state is painted once the event loop runs again.
    ExpectScreenMatchesState(f);
}

TEST(GridPaint, AMemoryRecordSetIsShownTheSameWay)
{
    // The grid works through the generic record set only.
    TComponent owner(nullptr);
    auto* data = TMemoryDataSet::WithIds(&owner, 30);
    TDataSource source(&owner);
    source.SetDataSet(data);
    QWidget window;
    window.setFont(TDBGrid::DesignFont());
    auto* grid = new TDBGrid(&window);
    grid->setGeometry(0, 0, 200, 150);
    grid->SetDataSource(&source);
    window.show();
    data->Open();
    ASSERT_EQ(grid->Columns().Count(), 1);
    EXPECT_EQ(grid->Columns()[0]->Title(), QStringLiteral("ID"));
    EXPECT_EQ(grid->RowCount(), grid->VisibleRowCount() + 1);
    data->Last();
    EXPECT_EQ(grid->Row(), grid->VisibleRowCount());
    data->Close();
    EXPECT_EQ(grid->Columns()[0]->Field(), nullptr);
    EXPECT_EQ(grid->RowCount(), 2);
}

} // namespace
