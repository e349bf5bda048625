// The record set's states and the events of every transition, the error
// events and their actions, the messages, fields at opening and closing, and
// how notifications are routed through data sources to links.
#include "MemoryDataSet.h"

#include "ibclient/dataset/TDataLink.h"
#include "ibclient/dataset/TDataSource.h"
#include "ibclient/ibdataset/TIBStringField.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using Log = std::vector<QString>;

std::vector<TMemoryDataSet::Column> Columns()
{
    return {{QStringLiteral("ID"), ftInteger},
            {QStringLiteral("EXTFILE"), ftWideString, 40}};
}

// A record set named IBDataSet1 with three rows, a source and a recording
// link; the log holds the record set's events and the link's notifications.
struct Fixture {
    TComponent owner{nullptr};
    TMemoryDataSet* dataSet = new TMemoryDataSet(&owner, Columns());
    TDataSource* source = new TDataSource(&owner);
    Log log;
    TRecordingLink link{log};

    explicit Fixture(int rows = 3)
    {
        dataSet->SetName(QStringLiteral("IBDataSet1"));
        for (int i = 1; i <= rows; ++i)
            dataSet->AddRow({i, QStringLiteral("+\\immagini\\%1.jpg").arg(i)});
        source->SetDataSet(dataSet);
        link.SetDataSource(source);
        RecordDataSetEvents(dataSet, log);
    }
    ~Fixture() { link.SetDataSource(nullptr); }

    void Modify() { dataSet->FieldByName(QStringLiteral("EXTFILE"))->SetAsString(QStringLiteral("changed")); }
};

QString Joined(const Log& log)
{
    QStringList list;
    for (const QString& line : log)
        list << line;
    return list.join(QStringLiteral(", "));
}

struct TransitionCase {
    const char* name;
    int rows;
    std::function<void(Fixture&)> setup;
    std::function<void(Fixture&)> operation;
    TDataSetState endState;
    const char* events;
};

void Open(Fixture& f) { f.dataSet->Open(); }
void OpenEdit(Fixture& f) { f.dataSet->Open(); f.dataSet->Edit(); }
void OpenEditModified(Fixture& f) { OpenEdit(f); f.Modify(); }
void OpenInsert(Fixture& f) { f.dataSet->Open(); f.dataSet->Insert(); }
void Nothing(Fixture&) {}

const TransitionCase transitions[] = {
    {"open with rows", 3, Nothing, Open, dsBrowse, "BeforeOpen, deUpdateState, AfterOpen, AfterScroll"},
    {"open without rows", 0, Nothing, Open, dsBrowse, "BeforeOpen, deUpdateState, AfterOpen"},
    {"close from browse", 3, Open, [](Fixture& f) { f.dataSet->Close(); }, dsInactive,
     "BeforeClose, deUpdateState, AfterClose"},
    {"close from edit", 3, OpenEditModified, [](Fixture& f) { f.dataSet->Close(); }, dsInactive,
     "BeforeClose, deUpdateState, AfterClose"},
    {"close from insert", 3, OpenInsert, [](Fixture& f) { f.dataSet->Close(); }, dsInactive,
     "BeforeClose, deUpdateState, AfterClose"},
    {"edit", 3, Open, [](Fixture& f) { f.dataSet->Edit(); }, dsEdit,
     "deCheckBrowseMode, BeforeEdit, deUpdateState, deRecordChange, AfterEdit"},
    {"insert", 3, Open, [](Fixture& f) { f.dataSet->Insert(); }, dsInsert,
     "deCheckBrowseMode, BeforeInsert, BeforeScroll, deUpdateState, OnNewRecord, deDataSetChange, AfterInsert, AfterScroll"},
    {"append", 3, Open, [](Fixture& f) { f.dataSet->Append(); }, dsInsert,
     "deCheckBrowseMode, BeforeInsert, BeforeScroll, deUpdateState, OnNewRecord, deDataSetChange, AfterInsert, AfterScroll"},
    {"post from edit", 3, OpenEditModified, [](Fixture& f) { f.dataSet->Post(); }, dsBrowse,
     "deUpdateRecord, deUpdateRecord, deCheckBrowseMode, BeforePost, deUpdateState, deDataSetChange, AfterPost"},
    {"post from insert", 3, [](Fixture& f) { OpenInsert(f); f.Modify(); }, [](Fixture& f) { f.dataSet->Post(); },
     dsBrowse,
     "deUpdateRecord, deUpdateRecord, deCheckBrowseMode, BeforePost, deUpdateState, deDataSetChange, AfterPost"},
    {"cancel from edit", 3, OpenEditModified, [](Fixture& f) { f.dataSet->Cancel(); }, dsBrowse,
     "deCheckBrowseMode, BeforeCancel, deUpdateState, deDataSetChange, AfterCancel"},
    {"cancel from insert", 3, OpenInsert, [](Fixture& f) { f.dataSet->Cancel(); }, dsBrowse,
     "deCheckBrowseMode, BeforeCancel, BeforeScroll, deUpdateState, deDataSetChange, AfterCancel, AfterScroll"},
    {"delete from browse", 3, Open, [](Fixture& f) { f.dataSet->Delete(); }, dsBrowse,
     "deCheckBrowseMode, BeforeDelete, BeforeScroll, deDataSetChange, AfterDelete, AfterScroll"},
    {"delete from edit", 3, OpenEditModified, [](Fixture& f) { f.dataSet->Delete(); }, dsBrowse,
     "deCheckBrowseMode, BeforeDelete, BeforeScroll, deUpdateState, deDataSetChange, AfterDelete, AfterScroll"},
    {"delete from insert cancels", 3, OpenInsert, [](Fixture& f) { f.dataSet->Delete(); }, dsBrowse,
     "deCheckBrowseMode, BeforeCancel, BeforeScroll, deUpdateState, deDataSetChange, AfterCancel, AfterScroll"},
    {"next from unchanged edit cancels", 3, OpenEdit, [](Fixture& f) { f.dataSet->Next(); }, dsBrowse,
     "deCheckBrowseMode, deUpdateRecord, deCheckBrowseMode, BeforeCancel, deUpdateState, deDataSetChange, "
     "AfterCancel, BeforeScroll, deDataSetScroll, AfterScroll"},
    {"next from changed edit posts", 3, OpenEditModified, [](Fixture& f) { f.dataSet->Next(); }, dsBrowse,
     "deCheckBrowseMode, deUpdateRecord, deUpdateRecord, deUpdateRecord, deCheckBrowseMode, BeforePost, "
     "deUpdateState, deDataSetChange, AfterPost, BeforeScroll, deDataSetScroll, AfterScroll"},
    {"edit of an empty record set inserts", 0, Open, [](Fixture& f) { f.dataSet->Edit(); }, dsInsert,
     "deCheckBrowseMode, BeforeInsert, BeforeScroll, deUpdateState, OnNewRecord, deDataSetChange, AfterInsert, AfterScroll"},
    {"edit while editing does nothing", 3, OpenEdit, [](Fixture& f) { f.dataSet->Edit(); }, dsEdit, ""},
    {"cancel in browse does nothing", 3, Open, [](Fixture& f) { f.dataSet->Cancel(); }, dsBrowse, ""},
};

TEST(DataSetStates, EveryTransitionFiresItsEventsInOrder)
{
    for (const TransitionCase& c : transitions) {
        SCOPED_TRACE(c.name);
        Fixture f(c.rows);
        c.setup(f);
        f.log.clear();
        c.operation(f);
        EXPECT_EQ(Joined(f.log), QString::fromLatin1(c.events));
        EXPECT_EQ(f.dataSet->State(), c.endState);
    }
}

TEST(DataSetStates, AFailedOpenEndsInactiveAndReleasesWhatItTook)
{
    Fixture f;
    f.dataSet->Hook = [](const QString& step) {
        if (step == u"read")
            throw EDatabaseError(QStringLiteral("fetch failed"));
    };
    // The open step finished; reading the first rows failed: the record set
    // is open, AfterOpen fires, and the error reaches the caller.
    EXPECT_THROW(f.dataSet->Open(), EDatabaseError);
    EXPECT_EQ(f.dataSet->State(), dsBrowse);
    EXPECT_EQ(Joined(f.log), QStringLiteral("BeforeOpen, deUpdateState, AfterOpen"));
    f.dataSet->Hook = nullptr;
    f.dataSet->Close();

    f.log.clear();
    f.dataSet->Hook = [](const QString& step) {
        if (step == u"open")
            throw EDatabaseError(QStringLiteral("no connection"));
    };
    EXPECT_THROW(f.dataSet->Open(), EDatabaseError);
    EXPECT_EQ(f.dataSet->State(), dsInactive);
    EXPECT_EQ(Joined(f.log), QStringLiteral("BeforeOpen"));
    EXPECT_EQ(f.dataSet->FieldCount(), 0);
}

TEST(DataSetStates, ClosingDuringAnEditDropsTheChangeWithoutPostingOrCancelling)
{
    Fixture f;
    int steps = 0;
    f.dataSet->Hook = [&](const QString& step) {
        if (step == u"post" || step == u"cancel")
            ++steps;
    };
    f.dataSet->Open();
    f.dataSet->Edit();
    f.Modify();
    f.dataSet->Close();
    EXPECT_EQ(steps, 0);
    f.dataSet->Open();
    EXPECT_EQ(f.dataSet->FieldByName(QStringLiteral("EXTFILE"))->AsString(), QStringLiteral("+\\immagini\\1.jpg"));
}

TEST(DataSetStates, MessagesCarryTheRecordSetsName)
{
    struct Case {
        const char* name;
        std::function<void(TDataSet*)> operation;
        const char* message;
    };
    const Case cases[] = {
        {"post in browse", [](TDataSet* d) { d->Post(); }, "IBDataSet1: Dataset not in edit or insert mode"},
        {"update record in browse", [](TDataSet* d) { d->UpdateRecord(); }, "IBDataSet1: Dataset not in edit or insert mode"},
        {"next on a closed set", [](TDataSet* d) { d->Close(); d->Next(); }, "IBDataSet1: Cannot perform this operation on a closed dataset"},
        {"delete on a closed set", [](TDataSet* d) { d->Close(); d->Delete(); }, "IBDataSet1: Cannot perform this operation on a closed dataset"},
        {"unknown field", [](TDataSet* d) { d->FieldByName(QStringLiteral("NOPE")); }, "IBDataSet1: Field 'NOPE' not found"},
        {"read-only edit", [](TDataSet* d) { static_cast<TMemoryDataSet*>(d)->Modifiable = false; d->Edit(); }, "IBDataSet1: Cannot modify a read-only dataset"},
        {"read-only insert", [](TDataSet* d) { static_cast<TMemoryDataSet*>(d)->Modifiable = false; d->Insert(); }, "IBDataSet1: Cannot modify a read-only dataset"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.dataSet->Open();
        try {
            c.operation(f.dataSet);
            ADD_FAILURE() << "no error";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message(), QString::fromLatin1(c.message));
        }
    }

    Fixture empty(0);
    empty.dataSet->Open();
    try {
        empty.dataSet->Delete();
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("IBDataSet1: Cannot perform this operation on an empty dataset"));
    }

    // Without a name the text stands alone.
    Fixture unnamed;
    unnamed.dataSet->SetName(QString());
    unnamed.dataSet->Open();
    try {
        unnamed.dataSet->Post();
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Dataset not in edit or insert mode"));
    }
}

TEST(DataSetStates, ErrorEventActionsDecideWhatBecomesOfAFailedStep)
{
    struct Case {
        const char* name;
        TDataAction action;
        int failures;        // how often the post step fails
        bool throws;         // what reaches the caller
        bool silent;         // EAbort instead of the error
        TDataSetState state; // afterwards
    };
    const Case cases[] = {
        {"fail passes the error on", daFail, 1, true, false, dsEdit},
        {"abort turns it into a silent abort", daAbort, 1, true, true, dsEdit},
        {"retry runs the step again", daRetry, 2, false, false, dsBrowse},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        int remaining = c.failures;
        int calls = 0;
        f.dataSet->Hook = [&](const QString& step) {
            if (step == u"post" && remaining-- > 0)
                throw EDatabaseError(QStringLiteral("lock conflict on no wait transaction"));
        };
        f.dataSet->SetOnPostError([&](TDataSet*, EDatabaseError& e, TDataAction& action) {
            ++calls;
            EXPECT_EQ(e.Message(), QStringLiteral("lock conflict on no wait transaction"));
            EXPECT_EQ(action, daFail);
            action = c.action;
        });
        f.dataSet->Open();
        f.dataSet->Edit();
        f.Modify();
        bool threw = false, aborted = false;
        try {
            f.dataSet->Post();
        } catch (const EAbort&) {
            threw = aborted = true;
        } catch (const EDatabaseError&) {
            threw = true;
        }
        EXPECT_EQ(threw, c.throws);
        EXPECT_EQ(aborted, c.silent);
        EXPECT_EQ(f.dataSet->State(), c.state);
        EXPECT_EQ(calls, c.failures);
        // A failed post keeps the change and Modified, and AfterPost stays
        // silent.
        if (c.state == dsEdit) {
            EXPECT_TRUE(f.dataSet->Modified());
            EXPECT_EQ(f.dataSet->FieldByName(QStringLiteral("EXTFILE"))->AsString(), QStringLiteral("changed"));
            EXPECT_EQ(std::count(f.log.begin(), f.log.end(), QStringLiteral("AfterPost")), 0);
        }
    }
}

TEST(DataSetStates, ErrorsOtherThanDatabaseErrorsBypassTheErrorEvent)
{
    Fixture f;
    bool called = false;
    f.dataSet->Hook = [](const QString& step) {
        if (step == u"delete")
            throw Exception(QStringLiteral("out of memory"));
    };
    f.dataSet->SetOnDeleteError([&](TDataSet*, EDatabaseError&, TDataAction&) { called = true; });
    f.dataSet->Open();
    EXPECT_THROW(f.dataSet->Delete(), Exception);
    EXPECT_FALSE(called);
    EXPECT_EQ(f.dataSet->RowCount(), 3);

    // The edit step's event, with retry.
    int failures = 1;
    f.dataSet->Hook = [&](const QString& step) {
        if (step == u"edit" && failures-- > 0)
            throw EDatabaseError(QStringLiteral("busy"));
    };
    f.dataSet->SetOnEditError([](TDataSet*, EDatabaseError&, TDataAction& action) { action = daRetry; });
    f.dataSet->Edit();
    EXPECT_EQ(f.dataSet->State(), dsEdit);
}

TEST(DataSetStates, AFailingAfterPostReachesTheCallerAfterThePostIsComplete)
{
    Fixture f;
    f.dataSet->SetAfterPost([](TDataSet*) { throw EDatabaseError(QStringLiteral("commit failed")); });
    f.dataSet->Open();
    f.dataSet->Edit();
    f.Modify();
    EXPECT_THROW(f.dataSet->Post(), EDatabaseError);
    EXPECT_EQ(f.dataSet->State(), dsBrowse);
    EXPECT_EQ(f.dataSet->Value(0, 1).toString(), QStringLiteral("changed"));
}

TEST(DataSetStates, AFailingOnNewRecordReturnsToBrowseOnTheSameRow)
{
    Fixture f;
    f.dataSet->Open();
    f.dataSet->Next();
    f.dataSet->SetOnNewRecord([](TDataSet*) { throw EDatabaseError(QStringLiteral("no default")); });
    EXPECT_THROW(f.dataSet->Insert(), EDatabaseError);
    EXPECT_EQ(f.dataSet->State(), dsBrowse);
    EXPECT_EQ(f.dataSet->FieldByName(QStringLiteral("ID"))->AsInteger(), 2);
    EXPECT_EQ(f.dataSet->RowCount(), 3);
}

TEST(DataSetStates, ARequiredFieldWithoutValueIsFocusedThenRefused)
{
    TComponent owner(nullptr);
    auto* dataSet = new TMemoryDataSet(&owner, {{QStringLiteral("AUTOID"), ftInteger, 0, true},
                                               {QStringLiteral("EXTFILE"), ftWideString, 40, true}});
    dataSet->SetName(QStringLiteral("IBDataSet1"));
    auto* source = new TDataSource(&owner);
    source->SetDataSet(dataSet);
    Log log;
    TRecordingLink link(log);
    link.SetDataSource(source);
    dataSet->Open();
    dataSet->Insert();
    dataSet->FieldByName(QStringLiteral("AUTOID"))->SetAsInteger(7);
    try {
        dataSet->Post();
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        // Without the record set's name: the field's own message.
        EXPECT_EQ(e.Message(), QStringLiteral("Field 'EXTFILE' must have a value"));
    }
    EXPECT_EQ(link.FocusedField, dataSet->FieldByName(QStringLiteral("EXTFILE")));
    EXPECT_EQ(dataSet->State(), dsInsert);
    EXPECT_EQ(dataSet->RowCount(), 0);
    link.SetDataSource(nullptr);
}

TEST(DataSetStates, FieldsAreCreatedAtOpeningAndDestroyedAtClosing)
{
    Fixture f;
    EXPECT_EQ(f.dataSet->FieldCount(), 0);
    f.dataSet->Open();
    EXPECT_TRUE(f.dataSet->DefaultFields());
    ASSERT_EQ(f.dataSet->FieldCount(), 2);
    TField* extfile = f.dataSet->FieldByName(QStringLiteral("extfile"));
    EXPECT_EQ(extfile->FieldName(), QStringLiteral("EXTFILE"));
    EXPECT_EQ(extfile->FieldNo(), 2);
    EXPECT_NE(dynamic_cast<TIBStringField*>(extfile), nullptr);
    EXPECT_EQ(f.dataSet->FindField(QStringLiteral("Id")), f.dataSet->Fields()[0]);
    EXPECT_EQ(f.dataSet->FindField(QStringLiteral("missing")), nullptr);
    f.dataSet->Close();
    EXPECT_EQ(f.dataSet->FieldCount(), 0);
    EXPECT_FALSE(f.dataSet->DefaultFields());
    EXPECT_EQ(f.dataSet->FindField(QStringLiteral("EXTFILE")), nullptr);
    f.dataSet->Open();
    EXPECT_EQ(f.dataSet->FieldByName(QStringLiteral("EXTFILE"))->AsString(), QStringLiteral("+\\immagini\\1.jpg"));
}

TEST(DataSetStates, PersistentFieldsSurviveClosingAndAreBoundByName)
{
    TComponent owner(nullptr);
    auto* dataSet = new TMemoryDataSet(&owner, Columns());
    dataSet->AddRow({5, QStringLiteral("a")});
    auto* persistent = new TIBStringField(&owner);
    persistent->SetFieldName(QStringLiteral("EXTFILE"));
    persistent->SetSize(40);
    persistent->SetDataSet(dataSet);
    dataSet->Open();
    EXPECT_FALSE(dataSet->DefaultFields());
    EXPECT_EQ(dataSet->FieldCount(), 1);
    EXPECT_EQ(persistent->FieldNo(), 2);
    EXPECT_EQ(persistent->AsString(), QStringLiteral("a"));
    // The field list cannot change while open.
    EXPECT_THROW(persistent->SetDataSet(nullptr), EDatabaseError);
    dataSet->Close();
    EXPECT_EQ(dataSet->FieldCount(), 1);
    EXPECT_EQ(persistent->FieldNo(), 0);

    auto* stray = new TIBStringField(&owner);
    stray->SetFieldName(QStringLiteral("NOT_A_COLUMN"));
    stray->SetDataSet(dataSet);
    EXPECT_THROW(dataSet->Open(), EDatabaseError);
    EXPECT_EQ(dataSet->State(), dsInactive);
}

TEST(DataSetStates, EditProtocolWorksOnTheActiveRow)
{
    Fixture f;
    f.dataSet->Open();
    f.dataSet->Next();
    f.dataSet->Edit();
    f.Modify();
    EXPECT_TRUE(f.dataSet->Modified());
    f.dataSet->Cancel();
    EXPECT_FALSE(f.dataSet->Modified());
    EXPECT_EQ(f.dataSet->FieldByName(QStringLiteral("EXTFILE"))->AsString(), QStringLiteral("+\\immagini\\2.jpg"));
    f.dataSet->Edit();
    f.Modify();
    f.dataSet->Post();
    EXPECT_EQ(f.dataSet->FieldByName(QStringLiteral("ID"))->AsInteger(), 2);
    EXPECT_EQ(f.dataSet->Value(1, 1).toString(), QStringLiteral("changed"));
    // Writing a field outside edit state is refused by the record set.
    EXPECT_THROW(f.Modify(), EDatabaseError);
}

TEST(DataSetStates, DisabledControlsHearOnlyTheStateAndOneChangeAtTheEnd)
{
    Fixture f;
    f.link.LogInfo = true;
    f.dataSet->Open();
    f.log.clear();
    f.dataSet->DisableControls();
    f.dataSet->DisableControls();
    f.dataSet->Next();
    f.dataSet->Edit();
    f.Modify();
    f.dataSet->Post();
    f.dataSet->Next();
    EXPECT_TRUE(f.dataSet->ControlsDisabled());
    f.dataSet->EnableControls();
    EXPECT_TRUE(f.dataSet->ControlsDisabled());
    f.dataSet->EnableControls();
    EXPECT_FALSE(f.dataSet->ControlsDisabled());
    // The state changes arrive as disabled-state changes; once enabled, a
    // layout change tells the views to rebuild.
    EXPECT_EQ(Joined(f.log),
              QStringLiteral("BeforeScroll, AfterScroll, BeforeEdit, deDisabledStateChange(1), AfterEdit, BeforePost, "
                             "deDisabledStateChange(1), AfterPost, BeforeScroll, AfterScroll, deLayoutChange"));

    // Without any state change the views hear one data-set change.
    f.log.clear();
    f.dataSet->DisableControls();
    f.dataSet->First();
    f.dataSet->EnableControls();
    EXPECT_EQ(Joined(f.log), QStringLiteral("BeforeScroll, AfterScroll, deDataSetChange"));
}

TEST(DataSetStates, SourcesTellNonVisualLinksFirstEachGroupInReverseOrder)
{
    Fixture f;
    Log log;
    TRecordingLink visual1(log), visual2(log), plain1(log), plain2(log);
    visual1.Tag = QStringLiteral("v1:");
    visual2.Tag = QStringLiteral("v2:");
    plain1.Tag = QStringLiteral("p1:");
    plain2.Tag = QStringLiteral("p2:");
    visual1.SetVisualControl(true);
    visual2.SetVisualControl(true);
    visual1.SetDataSource(f.source);
    plain1.SetDataSource(f.source);
    visual2.SetDataSource(f.source);
    plain2.SetDataSource(f.source);
    f.dataSet->Open();
    log.clear();
    f.dataSet->Next();
    EXPECT_EQ(Joined(log), QStringLiteral("p2:deCheckBrowseMode, p1:deCheckBrowseMode, v2:deCheckBrowseMode, v1:deCheckBrowseMode, "
                                          "p2:deDataSetScroll, p1:deDataSetScroll, v2:deDataSetScroll, v1:deDataSetScroll"));

    // A second source hears the record set after the first one.
    auto* second = new TDataSource(&f.owner);
    TRecordingLink other(log);
    other.Tag = QStringLiteral("s2:");
    other.SetDataSource(second);
    second->SetDataSet(f.dataSet);
    log.clear();
    f.dataSet->Next();
    EXPECT_EQ(log.back(), QStringLiteral("s2:deDataSetScroll"));

    // A disabled source is inactive and tells its links nothing but that.
    log.clear();
    second->SetEnabled(false);
    EXPECT_EQ(Joined(log), QStringLiteral("s2:deUpdateState"));
    EXPECT_FALSE(other.Active());
    log.clear();
    f.dataSet->Prior();
    EXPECT_EQ(std::count(log.begin(), log.end(), QStringLiteral("s2:deDataSetScroll")), 0);
    for (TRecordingLink* l : {&visual1, &visual2, &plain1, &plain2, &other})
        l->SetDataSource(nullptr);
}

TEST(DataSetStates, SourceEventsFollowTheRecordSet)
{
    Fixture f;
    Log events;
    f.source->SetOnStateChange([&](TDataSource* s) { events.push_back(QStringLiteral("state %1").arg(s->State())); });
    f.source->SetOnDataChange([&](TDataSource*, TField* field) {
        events.push_back(QStringLiteral("data %1").arg(field ? field->FieldName() : QString()));
    });
    f.source->SetOnUpdateData([&](TDataSource*) { events.push_back(QStringLiteral("update")); });
    f.dataSet->Open();
    f.dataSet->Edit();
    f.Modify();
    f.dataSet->Post();
    EXPECT_EQ(Joined(events), QStringLiteral("state 1, data , state 2, data , data EXTFILE, update, update, state 1, data "));

    // AutoEdit: the source puts a browsing record set into edit state.
    f.link.Edit();
    EXPECT_EQ(f.dataSet->State(), dsEdit);
    EXPECT_TRUE(f.link.Editing());
    f.dataSet->Cancel();
    f.source->SetAutoEdit(false);
    EXPECT_FALSE(f.link.Edit());
    EXPECT_EQ(f.dataSet->State(), dsBrowse);
    f.link.SetReadOnly(true);
    f.dataSet->Edit();
    EXPECT_FALSE(f.link.Editing());
}

TEST(DataSetStates, ALinkWritesItsPendingEditOnUpdateRecordWithoutHearingItsOwnChange)
{
    Fixture f;
    f.link.LogReactions = true;
    f.link.OnUpdateData = [&] { f.Modify(); };
    f.dataSet->Open();
    f.dataSet->Edit();
    f.log.clear();
    f.dataSet->Next();
    // The link's own write sends deFieldChange, which it does not turn into a
    // record-changed reaction; the change is posted.
    EXPECT_EQ(std::count(f.log.begin(), f.log.end(), QStringLiteral("RecordChanged(EXTFILE)")), 0);
    EXPECT_EQ(std::count(f.log.begin(), f.log.end(), QStringLiteral("AfterPost")), 1);
    EXPECT_EQ(f.dataSet->Value(0, 1).toString(), QStringLiteral("changed"));
}

// A record set whose master is a given source (a detail record set).
class TDetailDataSet : public TMemoryDataSet {
public:
    using TMemoryDataSet::TMemoryDataSet;
    TDataSource* master = nullptr;
    TDataSource* GetDataSource() const override { return master; }
};

TEST(DataSetStates, SourcesAndLinksRefuseCircularAndFixedChanges)
{
    TComponent owner(nullptr);
    auto* detail = new TDetailDataSet(&owner, Columns());
    auto* source = new TDataSource(&owner);
    source->SetName(QStringLiteral("DataSource1"));
    detail->master = source;
    try {
        source->SetDataSet(detail);
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("DataSource1: Circular datalinks are not allowed"));
    }
    EXPECT_EQ(source->DataSet(), nullptr);

    auto* plain = new TMemoryDataSet(&owner, Columns());
    source->SetDataSet(plain);
    Log log;
    TRecordingLink link(log);
    link.SetDataSource(source);
    link.SetDataSourceFixed(true);
    try {
        link.SetDataSource(nullptr);
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("DataSource1: DataSource cannot be changed"));
    }
    EXPECT_EQ(link.DataSource(), source);
    // Destroying the link unlinks it all the same.
}

TEST(DataSetStates, DestroyingEitherSideLeavesNoDanglingLink)
{
    Log log;
    TRecordingLink link(log);
    link.LogReactions = true;
    {
        TComponent owner(nullptr);
        auto* dataSet = TMemoryDataSet::WithIds(&owner, 5);
        auto* source = new TDataSource(&owner);
        source->SetDataSet(dataSet);
        link.SetDataSource(source);
        link.SetBufferCount(3);
        dataSet->Open();
        EXPECT_TRUE(link.Active());
        // The owner destroys the source first (reverse order), then the
        // record set.
    }
    EXPECT_EQ(link.DataSource(), nullptr);
    EXPECT_FALSE(link.Active());

    {
        TComponent owner(nullptr);
        auto* source = new TDataSource(&owner);
        auto* dataSet = TMemoryDataSet::WithIds(&owner, 5);
        source->SetDataSet(dataSet);
        link.SetDataSource(source);
        dataSet->Open();
        delete dataSet;
        EXPECT_EQ(source->DataSet(), nullptr);
        EXPECT_EQ(source->State(), dsInactive);
        EXPECT_FALSE(link.Active());
        link.SetDataSource(nullptr);
    }
}

} // namespace
