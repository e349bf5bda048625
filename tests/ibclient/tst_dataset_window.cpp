// The window of record buffers: its size follows the largest view, moving,
// editing, inserting, deleting and resynchronising keep the views' rows
// consecutive with the active row among them, and the walk First / while not
// Eof / Next visits every row once.
#include "MemoryDataSet.h"

#include "ibclient/dataset/TDataLink.h"
#include "ibclient/dataset/TDataSource.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using Log = std::vector<QString>;

struct Fixture {
    TComponent owner{nullptr};
    TMemoryDataSet* dataSet;
    TDataSource* source = new TDataSource(&owner);
    Log log;
    TRecordingLink link{log};

    Fixture(int rows, int bufferCount) : dataSet(TMemoryDataSet::WithIds(&owner, rows))
    {
        dataSet->SetName(QStringLiteral("IBDataSet1"));
        source->SetDataSet(dataSet);
        link.SetDataSource(source);
        link.SetBufferCount(bufferCount);
        link.LogInfo = true;
    }
    ~Fixture() { link.SetDataSource(nullptr); }

    int Id() const { return dataSet->FieldByName(QStringLiteral("ID"))->AsInteger(); }
    // The log without the check-browse-mode notification every move sends.
    Log Moves() const
    {
        Log moves;
        for (const QString& line : log)
            if (!line.endsWith(QStringLiteral("CheckBrowseMode")))
                moves.push_back(line);
        return moves;
    }
    void Find(int id)
    {
        dataSet->First();
        while (!dataSet->Eof() && Id() != id)
            dataSet->Next();
        ASSERT_EQ(Id(), id);
    }
};

// The IDs of the rows a link shows, read by pointing the active record at
// each of them as a grid does when it paints.
std::vector<int> Shown(Fixture& f, TDataLink& link)
{
    std::vector<int> ids;
    const int saved = link.ActiveRecord();
    for (int i = 0; i < link.RecordCount(); ++i) {
        link.SetActiveRecord(i);
        ids.push_back(f.Id());
    }
    link.SetActiveRecord(saved);
    return ids;
}

// The window's invariants, seen through a link: the link's rows are
// consecutive rows of the record set in its order (IDs give the order after
// inserts only through `expectedOrder`), the active row is among them, and
// the window is no larger than the largest view needs.
void CheckWindow(Fixture& f, TDataLink& link, int activeId)
{
    SCOPED_TRACE(testing::Message() << "active " << activeId);
    ASSERT_GE(link.ActiveRecord(), 0);
    ASSERT_LT(link.ActiveRecord(), link.BufferCount());
    EXPECT_EQ(f.Id(), activeId);
    const std::vector<int> ids = Shown(f, link);
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(ids[static_cast<std::size_t>(link.ActiveRecord())], activeId);
    // Consecutive in the record set's own order.
    std::vector<int> order;
    for (int r = 0; r < f.dataSet->RowCount(); ++r)
        order.push_back(f.dataSet->Value(r, 0).toInt());
    const auto first = std::find(order.begin(), order.end(), ids.front());
    ASSERT_NE(first, order.end());
    ASSERT_LE(static_cast<std::size_t>(order.end() - first), order.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        ASSERT_LT(static_cast<std::ptrdiff_t>(i), order.end() - first);
        EXPECT_EQ(ids[i], *(first + static_cast<std::ptrdiff_t>(i)));
    }
    EXPECT_LE(f.dataSet->WindowRecordCount(), f.dataSet->BufferCount());
    // The view is full whenever the record set has the rows for it.
    EXPECT_EQ(link.RecordCount(), std::min(link.BufferCount(), f.dataSet->RowCount()));
}

const int bufferCounts[] = {1, 3, 11};
const int rowCounts[] = {0, 1, 2, 3, 4, 10, 11, 12, 25};

TEST(DataSetWindow, TheWalkVisitsEveryRowOnceTheLastIncluded)
{
    for (int buffers : bufferCounts) {
        for (int rows : rowCounts) {
            SCOPED_TRACE(testing::Message() << buffers << " buffers, " << rows << " rows");
            Fixture f(rows, buffers);
            f.dataSet->Open();
            EXPECT_EQ(f.dataSet->BufferCount(), buffers);
            std::vector<int> visited;
            f.dataSet->First();
            while (!f.dataSet->Eof()) {
                visited.push_back(f.Id());
                CheckWindow(f, f.link, f.Id());
                f.dataSet->Next();
            }
            std::vector<int> expected;
            for (int i = 1; i <= rows; ++i)
                expected.push_back(i);
            EXPECT_EQ(visited, expected);
            if (rows > 0) {
                EXPECT_EQ(f.Id(), rows); // Next on the last row leaves it current
                EXPECT_FALSE(f.dataSet->Bof());
            } else {
                EXPECT_TRUE(f.dataSet->Bof());
                EXPECT_TRUE(f.dataSet->IsEmpty());
            }

            // And backward from the end.
            visited.clear();
            f.dataSet->Last();
            while (!f.dataSet->Bof()) {
                visited.push_back(f.Id());
                CheckWindow(f, f.link, f.Id());
                f.dataSet->Prior();
            }
            std::reverse(expected.begin(), expected.end());
            EXPECT_EQ(visited, expected);
        }
    }
}

TEST(DataSetWindow, EofTurnsTrueOnlyWhenAMoveFindsNoFurtherRow)
{
    Fixture f(3, 1);
    f.dataSet->Open();
    EXPECT_TRUE(f.dataSet->Bof());
    EXPECT_FALSE(f.dataSet->Eof());
    f.dataSet->Next();
    f.dataSet->Next();
    EXPECT_EQ(f.Id(), 3);
    EXPECT_FALSE(f.dataSet->Eof());
    RecordDataSetEvents(f.dataSet, f.log);
    f.log.clear();
    f.dataSet->Next();
    EXPECT_TRUE(f.dataSet->Eof());
    EXPECT_EQ(f.Id(), 3);
    EXPECT_EQ(f.Moves(), (Log{QStringLiteral("BeforeScroll"), QStringLiteral("deDataSetScroll(0)"), QStringLiteral("AfterScroll")}));
    f.log.clear();
    EXPECT_EQ(f.dataSet->MoveBy(1), 0);
    EXPECT_EQ(f.Moves(), (Log{QStringLiteral("BeforeScroll")}));
    f.log.clear();
    EXPECT_EQ(f.dataSet->MoveBy(0), 0);
    EXPECT_EQ(f.Moves(), (Log{QStringLiteral("BeforeScroll")}));

    // A record set without rows is at both ends at once.
    Fixture empty(0, 3);
    empty.dataSet->Open();
    EXPECT_TRUE(empty.dataSet->Bof());
    EXPECT_TRUE(empty.dataSet->Eof());
    EXPECT_TRUE(empty.dataSet->IsEmpty());
    EXPECT_EQ(empty.dataSet->MoveBy(5), 0);
    EXPECT_EQ(empty.dataSet->MoveBy(-5), 0);
}

TEST(DataSetWindow, MoveByAnswersTheRowsMovedAndStopsAtTheEnds)
{
    for (int buffers : bufferCounts) {
        SCOPED_TRACE(testing::Message() << buffers << " buffers");
        Fixture f(12, buffers);
        f.dataSet->Open();
        EXPECT_EQ(f.dataSet->MoveBy(4), 4);
        CheckWindow(f, f.link, 5);
        EXPECT_EQ(f.dataSet->MoveBy(100), 7);
        EXPECT_TRUE(f.dataSet->Eof());
        CheckWindow(f, f.link, 12);
        EXPECT_EQ(f.dataSet->MoveBy(-3), -3);
        EXPECT_FALSE(f.dataSet->Eof());
        CheckWindow(f, f.link, 9);
        EXPECT_EQ(f.dataSet->MoveBy(-100), -8);
        EXPECT_TRUE(f.dataSet->Bof());
        CheckWindow(f, f.link, 1);
    }
}

TEST(DataSetWindow, ScrollingTellsTheViewHowFarItsRowsMoved)
{
    Fixture f(10, 3);
    f.link.LogReactions = true;
    f.dataSet->Open();
    f.log.clear();
    f.dataSet->Next(); // inside the window
    f.dataSet->Next();
    f.dataSet->Next(); // the window scrolls by one row
    EXPECT_EQ(f.Moves(), (Log{QStringLiteral("deDataSetScroll(0)"), QStringLiteral("DataSetScrolled(0)"),
                          QStringLiteral("deDataSetScroll(0)"), QStringLiteral("DataSetScrolled(0)"),
                          QStringLiteral("deDataSetScroll(-1)"), QStringLiteral("DataSetScrolled(1)")}));
    CheckWindow(f, f.link, 4);
    f.log.clear();
    f.dataSet->MoveBy(-3); // back to the window's top, then one beyond
    EXPECT_EQ(f.Moves(), (Log{QStringLiteral("deDataSetScroll(1)"), QStringLiteral("DataSetScrolled(-1)")}));
    CheckWindow(f, f.link, 1);
}

TEST(DataSetWindow, EditAndPostKeepTheActiveRowInItsPlace)
{
    for (int buffers : bufferCounts) {
        SCOPED_TRACE(testing::Message() << buffers << " buffers");
        Fixture f(12, buffers);
        f.dataSet->Open();
        f.dataSet->MoveBy(6);
        f.dataSet->Prior();
        const std::vector<int> before = Shown(f, f.link);
        const int place = f.link.ActiveRecord();
        f.dataSet->Edit();
        f.dataSet->FieldByName(QStringLiteral("ID"))->SetAsInteger(6);
        f.dataSet->Post();
        EXPECT_EQ(Shown(f, f.link), before);
        EXPECT_EQ(f.link.ActiveRecord(), place);
        f.dataSet->Edit();
        f.dataSet->Cancel();
        EXPECT_EQ(Shown(f, f.link), before);
        EXPECT_EQ(f.link.ActiveRecord(), place);
    }
}

TEST(DataSetWindow, InsertPlacesTheNewRowAtTheActiveRowAndCancelBringsItBack)
{
    for (int buffers : bufferCounts) {
        SCOPED_TRACE(testing::Message() << buffers << " buffers");
        Fixture f(12, buffers);
        f.dataSet->Open();
        f.Find(6);
        const int place = f.link.ActiveRecord();
        f.dataSet->Insert();
        EXPECT_EQ(f.link.ActiveRecord(), place);
        EXPECT_TRUE(f.dataSet->FieldByName(QStringLiteral("ID"))->IsNull());
        EXPECT_LE(f.dataSet->WindowRecordCount(), buffers);
        f.dataSet->Cancel();
        CheckWindow(f, f.link, 6);
        EXPECT_EQ(f.link.ActiveRecord(), place);

        // Posted, the row stands before the row on which the insert began.
        f.dataSet->Insert();
        f.dataSet->FieldByName(QStringLiteral("ID"))->SetAsInteger(100);
        f.dataSet->Post();
        EXPECT_EQ(f.dataSet->RowCount(), 13);
        EXPECT_EQ(f.dataSet->Value(5, 0).toInt(), 100);
        CheckWindow(f, f.link, 100);
        f.dataSet->Next();
        CheckWindow(f, f.link, 6);
    }
}

TEST(DataSetWindow, AppendShowsTheNewRowAfterTheLastOne)
{
    for (int buffers : bufferCounts) {
        SCOPED_TRACE(testing::Message() << buffers << " buffers");
        Fixture f(12, buffers);
        f.dataSet->Open();
        f.dataSet->Append();
        EXPECT_EQ(f.link.ActiveRecord(), std::min(buffers, 13) - 1);
        f.dataSet->Cancel();
        CheckWindow(f, f.link, 12);
        f.dataSet->Append();
        f.dataSet->FieldByName(QStringLiteral("ID"))->SetAsInteger(13);
        f.dataSet->Post();
        CheckWindow(f, f.link, 13);
        EXPECT_EQ(f.dataSet->Value(12, 0).toInt(), 13);
        f.dataSet->Next();
        EXPECT_TRUE(f.dataSet->Eof());

        // Appending to an empty record set, and inserting into one.
        Fixture empty(0, buffers);
        empty.dataSet->Open();
        empty.dataSet->Append();
        empty.dataSet->FieldByName(QStringLiteral("ID"))->SetAsInteger(1);
        empty.dataSet->Post();
        CheckWindow(empty, empty.link, 1);
        empty.dataSet->Insert();
        empty.dataSet->FieldByName(QStringLiteral("ID"))->SetAsInteger(2);
        empty.dataSet->Post();
        CheckWindow(empty, empty.link, 2);
        EXPECT_EQ(empty.dataSet->Value(0, 0).toInt(), 2);
    }
}

TEST(DataSetWindow, DeleteMakesTheFollowingRowActiveOrThePrecedingAtTheEnd)
{
    for (int buffers : bufferCounts) {
        SCOPED_TRACE(testing::Message() << buffers << " buffers");
        Fixture f(12, buffers);
        f.dataSet->Open();
        f.Find(6);
        f.dataSet->Delete();
        CheckWindow(f, f.link, 7);
        f.dataSet->Last();
        f.dataSet->Delete();
        CheckWindow(f, f.link, 11);
        f.dataSet->First();
        f.dataSet->Delete();
        CheckWindow(f, f.link, 2);
        EXPECT_EQ(f.dataSet->RowCount(), 9);

        Fixture single(1, buffers);
        single.dataSet->Open();
        single.dataSet->Delete();
        EXPECT_TRUE(single.dataSet->Bof());
        EXPECT_TRUE(single.dataSet->Eof());
        EXPECT_TRUE(single.dataSet->IsEmpty());
        EXPECT_EQ(single.link.RecordCount(), 0);
    }
}

TEST(DataSetWindow, ResyncRebuildsTheWindowAroundTheCurrentRow)
{
    Fixture f(20, 5);
    f.dataSet->Open();
    f.Find(10);
    const int place = f.link.ActiveRecord();
    // Resync reads the row the cursor stands on: put it on the active row,
    // as post, cancel and delete do.
    f.dataSet->UpdateCursorPos();
    f.dataSet->Resync(0);
    CheckWindow(f, f.link, 10);
    EXPECT_EQ(f.link.ActiveRecord(), place);
    f.dataSet->UpdateCursorPos();
    f.dataSet->Resync(rmCenter);
    CheckWindow(f, f.link, 10);
    EXPECT_EQ(f.dataSet->ActiveRecord(), 2);
    f.dataSet->UpdateCursorPos();
    f.dataSet->Resync(rmExact | rmCenter);
    CheckWindow(f, f.link, 10);

    Fixture empty(0, 5);
    empty.dataSet->Open();
    try {
        empty.dataSet->Resync(rmExact);
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("IBDataSet1: Record not found"));
    }
}

TEST(DataSetWindow, TheWindowFollowsTheLargestViewAndKeepsTheActiveRowWhenShrinking)
{
    struct Case {
        const char* name;
        int from, to; // the grid's BufferCount before and after
        int activeId; // the active row when the change happens
    };
    const Case cases[] = {
        {"grow from one in the middle", 1, 11, 6},
        {"grow near the end", 3, 11, 24},
        {"shrink with the active row at the bottom", 11, 3, 11},
        {"shrink with the active row in the middle", 11, 3, 16},
        {"shrink to one", 11, 1, 20},
        {"shrink with the active row at the top", 11, 5, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f(25, c.from);
        Log other;
        TRecordingLink single(other); // a view of one row, as a text box has
        single.SetDataSource(f.source);
        f.dataSet->Open();
        f.Find(c.activeId);
        CheckWindow(f, f.link, c.activeId);
        f.link.SetBufferCount(c.to);
        EXPECT_EQ(f.dataSet->BufferCount(), c.to);
        CheckWindow(f, f.link, c.activeId);
        CheckWindow(f, single, c.activeId);
        // Moving on from there keeps everything consistent.
        f.dataSet->MoveBy(2);
        CheckWindow(f, f.link, std::min(c.activeId + 2, 25));
        single.SetDataSource(nullptr);
    }
}

TEST(DataSetWindow, ShrinkingWhileEditingOrInsertingKeepsTheEditedRow)
{
    Fixture f(25, 11);
    f.dataSet->Open();
    f.Find(11);
    f.dataSet->Edit();
    f.dataSet->FieldByName(QStringLiteral("ID"))->SetAsInteger(111);
    f.link.SetBufferCount(3);
    EXPECT_EQ(f.dataSet->State(), dsEdit);
    EXPECT_EQ(f.Id(), 111);
    f.dataSet->Post();
    CheckWindow(f, f.link, 111);

    f.link.SetBufferCount(11);
    f.dataSet->Insert();
    f.dataSet->FieldByName(QStringLiteral("ID"))->SetAsInteger(200);
    f.link.SetBufferCount(2);
    EXPECT_EQ(f.Id(), 200);
    f.dataSet->Post();
    CheckWindow(f, f.link, 200);
}

TEST(DataSetWindow, ALinkLeavingShrinksTheWindow)
{
    Fixture f(25, 3);
    f.dataSet->Open();
    {
        Log other;
        TRecordingLink big(other);
        big.SetBufferCount(11);
        big.SetDataSource(f.source);
        EXPECT_EQ(f.dataSet->BufferCount(), 11);
        f.dataSet->MoveBy(9);
        CheckWindow(f, big, 10);
    } // destroyed while linked
    EXPECT_EQ(f.dataSet->BufferCount(), 3);
    CheckWindow(f, f.link, 10);
    f.dataSet->Next();
    CheckWindow(f, f.link, 11);
}

TEST(DataSetWindow, ClosingFreesTheWindowAndReopeningStartsAtTheFirstRow)
{
    Fixture f(25, 11);
    f.dataSet->Open();
    f.dataSet->MoveBy(15);
    f.dataSet->Close();
    EXPECT_EQ(f.dataSet->BufferCount(), 0);
    EXPECT_EQ(f.dataSet->ActiveBuffer(), nullptr);
    EXPECT_TRUE(f.dataSet->Bof());
    EXPECT_TRUE(f.dataSet->Eof());
    f.dataSet->Open();
    CheckWindow(f, f.link, 1);
    EXPECT_TRUE(f.dataSet->Bof());
    // Only as many rows are read as the window holds.
    EXPECT_EQ(f.dataSet->WindowRecordCount(), 11);
}

TEST(DataSetWindow, RowsAreReadOnlyAsTheWindowNeedsThem)
{
    Fixture f(25, 3);
    f.dataSet->Open();
    EXPECT_EQ(f.dataSet->RowsRead, 3);
    f.dataSet->Next();
    f.dataSet->Next();
    EXPECT_EQ(f.dataSet->RowsRead, 3); // moving inside the window reads nothing
    f.dataSet->Next();
    EXPECT_EQ(f.dataSet->RowsRead, 4);
}

} // namespace
