// Editing in the grid from the keyboard (and the few clicks that go with
// it), over the program's record set on the patient database. Each case
// runs an operator script from a freshly opened grid and checks the record
// set's state, the painted indicator, the current row and column, the
// editor's text and selection, the current row's path in its field, what a
// second connection sees in the database, the errors shown, the beeps and
// the question boxes.
#include "GridFixture.h"

#include <QClipboard>
#include <QDir>

namespace {

constexpr const char* kNone = nullptr;

struct KeyCase {
    const char* name;
    const char* script;
    TDataSetState state;
    int indicator;          // giArrow, giEdit, giInsert
    const char* current;    // AUTOID of the current row ("" for a new row)
    int col;                // current data column
    bool editor;            // the editor is open
    const char* editorText; // kNone: not checked
    const char* selected;   // kNone: not checked
    const char* extfile;    // the current row's EXTFILE field; kNone: not checked
    const char* database;   // changes against the fixture: "N=path", "-N"; "" none
    const char* error;      // expected error shown; "" none
    int beeps;
    const char* box;        // the question asked; "" none
};

const char* const kPath1 = "+\\immagini\\2003\\p0001.jpg";

// The patient database as the fixture makes it, changed by `changes`.
std::map<int, QString> Expected(const char* changes)
{
    std::map<int, QString> rows = {{1, QString::fromLatin1(kPath1)},
                                   {2, QStringLiteral("+\\immagini\\2003\\p0002.jpg")},
                                   {3, QStringLiteral("D:\\Archivio\\immagini\\2004\\r0003.jpg")},
                                   {4, QStringLiteral("+\\immagini\\a\\+\\immagini\\p0004.jpg")},
                                   {5, QString()}};
    for (const QString& change : QString::fromLatin1(changes).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (change.startsWith(QLatin1Char('-')))
            rows.erase(change.mid(1).toInt());
        else
            rows[change.section(QLatin1Char('='), 0, 0).toInt()] = change.section(QLatin1Char('='), 1);
    }
    return rows;
}

const KeyCase kCases[] = {
    // name, script, state, indicator, current, col, editor, editor text, selected, EXTFILE, database, error, beeps, box
    {"typing replaces the selected path", "End t:1", dsEdit, giEdit, "1", 4, true, "1", "", kPath1, "", "", 0, ""},
    {"F2 keeps the path and types at its end", "End F2 t:x", dsEdit, giEdit, "1", 4, true,
     "+\\immagini\\2003\\p0001.jpgx", "", kNone, "", "", 0, ""},
    {"a letter in an integer column beeps and changes nothing", "t:a", dsBrowse, giArrow, "1", 1, true, "101",
     "101", kNone, "", "", 1, ""},
    {"Enter stores without posting", "End t:1 Enter", dsEdit, giEdit, "1", 4, false, kNone, kNone, "1", "", "", 0, ""},
    {"Enter toggles the editor open with its text selected", "Enter", dsBrowse, giArrow, "1", 1, true, "101", "101",
     kNone, "", "", 0, ""},
    {"Down posts the row and the after-post handler commits it", "End t:1 Enter Down", dsBrowse, giArrow, "2", 4,
     false, kNone, kNone, kNone, "1=1", "", 0, ""},
    {"Down stores typed text before posting", "End t:1 Down", dsBrowse, giArrow, "2", 4, false, kNone, kNone, kNone,
     "1=1", "", 0, ""},
    {"Esc undoes only the text typed since the last store", "End t:1 Enter F2 t:2 Esc", dsEdit, giEdit, "1", 4,
     false, kNone, kNone, "1", "", "", 0, ""},
    {"a second Esc cancels the whole row", "End t:1 Enter F2 t:2 Esc Esc", dsBrowse, giArrow, "1", 4, false, kNone,
     kNone, kPath1, "", "", 0, ""},
    {"Down on the last row appends an empty row", "^End Down", dsInsert, giInsert, "", 1, false, kNone, kNone, "",
     "", "", 0, ""},
    {"Up removes the untouched new row", "^End Down Up", dsBrowse, giArrow, "5", 1, false, kNone, kNone, "", "", "",
     0, ""},
    {"Down on the untouched new row does nothing more", "^End Down Down", dsInsert, giInsert, "", 1, false, kNone,
     kNone, "", "", "", 0, ""},
    {"Insert puts a new row above the current one", "Down Ins", dsInsert, giInsert, "", 1, false, kNone, kNone, "",
     "", "", 0, ""},
    {"a click on another row removes the untouched new row", "Down Ins click:1,4", dsBrowse, giArrow, "3", 1, false,
     kNone, kNone, kNone, "", "", 0, ""},
    {"Tab from the last cell of the last row appends", "^End End Tab", dsInsert, giInsert, "", 1, false, kNone,
     kNone, "", "", "", 0, ""},
    {"Shift+Tab stores the text and moves one column back", "End t:9 BackTab", dsEdit, giEdit, "1", 3, false, kNone,
     kNone, "9", "", "", 0, ""},
    {"Ctrl+Delete answered Cancel keeps the row", "cancel ^Del", dsBrowse, giArrow, "1", 1, false, kNone, kNone,
     kPath1, "", "", 0, "Delete record?"},
    {"Ctrl+Delete answered Esc keeps the row", "esc-box ^Del", dsBrowse, giArrow, "1", 1, false, kNone, kNone, kPath1,
     "", "", 0, "Delete record?"},
    {"Ctrl+Delete answered OK deletes; nothing is committed yet", "ok ^Del", dsBrowse, giArrow, "2", 1, false, kNone,
     kNone, kNone, "", "", 0, "Delete record?"},
    {"the next post commits the deletion", "ok ^Del End t:x Down", dsBrowse, giArrow, "3", 4, false, kNone, kNone,
     kNone, "-1;2=x", "", 0, "Delete record?"},
    {"text the field cannot take keeps the editor and the row", "t:- Down", dsEdit, giEdit, "1", 1, true, "-", kNone,
     kNone, "", "'-' is not a valid integer value for field 'CODICE_CLIENTE'", 0, ""},
    {"a new row without its key stays, with the editor in the key column", "^End Down End t:x Down", dsInsert,
     giInsert, "", 3, true, "", kNone, "x", "", "Field 'AUTOID' must have a value", 0, ""},
    // Down posts the new row and, the record set being at its end, appends
    // the next one.
    {"a new row with its key is posted by Down", "^End Down Right Right t:77 Tab t:new Down", dsInsert, giInsert, "",
     4, false, kNone, kNone, "", "77=new", "", 0, ""},
    {"leaving the grid drops an untouched new row", "^End Down leave", dsBrowse, giArrow, "5", 1, false, kNone,
     kNone, "", "", "", 0, ""},
    {"leaving the grid stores the text without posting", "End t:1 leave", dsEdit, giEdit, "1", 4, false, kNone,
     kNone, "1", "", "", 0, ""},
};

class GridKeyboard : public ::testing::TestWithParam<KeyCase> {};

TEST_P(GridKeyboard, Script)
{
    const KeyCase& c = GetParam();
    GridFixture f;
    f.Open();
    f.RunScript(QString::fromLatin1(c.script));
    if (QString::fromLatin1(c.script).contains(QLatin1String("leave")))
        f.grid->setFocus(); // the indicator is painted the same either way; the highlight needs the focus

    EXPECT_EQ(f.ds().State(), c.state);
    EXPECT_EQ(f.PaintedIndicator(), c.indicator);
    // A new row appended after the last one has no AUTOID yet; a posted new
    // row keeps the one typed.
    if (QString::fromLatin1(c.current).isEmpty() && c.state == dsInsert) {
        EXPECT_EQ(f.Current("AUTOID"), QString());
    } else if (*c.current) {
        EXPECT_EQ(f.Current("AUTOID"), QString::fromLatin1(c.current));
    }
    EXPECT_EQ(f.grid->Col(), c.col);
    EXPECT_EQ(f.grid->Row(), f.grid->DataLink()->ActiveRecord() + 1);
    EXPECT_EQ(f.EditorOpen(), c.editor);
    if (c.editor && c.editorText) {
        EXPECT_EQ(f.Editor()->text(), QString::fromLatin1(c.editorText));
    }
    if (c.editor && c.selected) {
        EXPECT_EQ(f.Editor()->selectedText(), QString::fromLatin1(c.selected));
    }
    if (c.extfile) {
        EXPECT_EQ(f.Current("EXTFILE"), QString::fromLatin1(c.extfile));
    }
    EXPECT_EQ(OtherConnection(f.data.path).Rows(), Expected(c.database));
    if (*c.error) {
        ASSERT_EQ(f.errors.size(), 1u);
        EXPECT_EQ(f.errors[0], QString::fromLatin1(c.error));
    } else {
        EXPECT_TRUE(f.errors.empty()) << f.errors[0].toStdString();
    }
    EXPECT_EQ(f.grid->BeepCount(), c.beeps);
    if (*c.box) {
        ASSERT_EQ(f.boxTexts.size(), 1u);
        EXPECT_EQ(f.boxTexts[0], QString::fromLatin1(c.box));
    } else {
        EXPECT_TRUE(f.boxTexts.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, GridKeyboard, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<KeyCase>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 if (std::isalnum(static_cast<unsigned char>(*p)))
                                     name += *p;
                             return name;
                         });

TEST(GridKeyboardMore, APostTheServerRefusesLeavesTheGridOnTheRowInEditState)
{
    GridFixture f;
    f.Open();
    OtherConnection other(f.data.path);
    other.ExecuteOpen(QStringLiteral("update IMMAGINI set EXTFILE = 'theirs' where AUTOID = 1"));
    f.RunScript(QStringLiteral("End t:mine Down"));
    ASSERT_EQ(f.errors.size(), 1u);
    EXPECT_TRUE(f.errors[0].contains(QLatin1String("update conflicts with concurrent update"))) << f.errors[0].toStdString();
    EXPECT_EQ(f.ds().State(), dsEdit);
    EXPECT_EQ(f.Current("AUTOID"), QStringLiteral("1"));
    EXPECT_EQ(f.Current("EXTFILE"), QStringLiteral("mine"));
    EXPECT_EQ(f.grid->Row(), 1);
    EXPECT_EQ(f.PaintedIndicator(), giEdit);

    // Once the other user gives up, the same move posts the row.
    other.RollbackWork();
    f.RunScript(QStringLiteral("Down"));
    EXPECT_EQ(f.ds().State(), dsBrowse);
    EXPECT_EQ(f.Current("AUTOID"), QStringLiteral("2"));
    EXPECT_EQ(OtherConnection(f.data.path).Rows(), Expected("1=mine"));
}

TEST(GridKeyboardMore, APostStartedByTheProgramStoresTheTypedTextFirst)
{
    GridFixture f;
    f.Open();
    f.RunScript(QStringLiteral("Down End t:z"));
    ASSERT_EQ(f.ds().State(), dsEdit);
    // The rewrite command's first step: the record set moves to its first row.
    f.ds().First();
    EXPECT_EQ(f.ds().State(), dsBrowse);
    EXPECT_EQ(f.grid->Row(), 1);
    EXPECT_FALSE(f.EditorOpen());
    EXPECT_EQ(OtherConnection(f.data.path).Rows(), Expected("2=z"));
}

TEST(GridKeyboardMore, TypingIntoAnEmptyRecordSetStartsANewRow)
{
    GridFixture f({QStringLiteral("patient_schema.sql")});
    f.Open();
    EXPECT_EQ(f.grid->RowCount(), 2);
    EXPECT_EQ(f.PaintedIndicator(), giArrow);
    f.RunScript(QStringLiteral("t:7"));
    EXPECT_EQ(f.ds().State(), dsInsert);
    EXPECT_EQ(f.PaintedIndicator(), giInsert);
    ASSERT_TRUE(f.EditorOpen());
    EXPECT_EQ(f.Editor()->text(), QStringLiteral("7"));
    // Ctrl+Delete on an empty record set asks nothing.
    f.RunScript(QStringLiteral("Esc Esc ^Del"));
    EXPECT_EQ(f.ds().State(), dsBrowse);
    EXPECT_TRUE(f.boxTexts.empty());
    EXPECT_TRUE(f.errors.empty());
}

TEST(GridKeyboardMore, WithTheRecordSetClosedOnlyCharactersAndEnterOpenAnEmptyEditorThatRefusesEverything)
{
    GridFixture f;
    f.RunScript(QStringLiteral("Down Ins ^Del t:ab"));
    ASSERT_TRUE(f.EditorOpen());
    EXPECT_EQ(f.Editor()->text(), QString());
    EXPECT_EQ(f.grid->BeepCount(), 2);
    EXPECT_TRUE(f.errors.empty());
    EXPECT_TRUE(f.boxTexts.empty());
}

TEST(GridKeyboardMore, LeavingWithTextTheFieldCannotTakeBringsTheFocusBackToTheCell)
{
    GridFixture f;
    f.Open();
    f.RunScript(QStringLiteral("t:- leave"));
    ASSERT_EQ(f.errors.size(), 1u);
    EXPECT_EQ(f.errors[0], QStringLiteral("'-' is not a valid integer value for field 'CODICE_CLIENTE'"));
    EXPECT_EQ(QApplication::focusWidget(), f.Editor());
    ASSERT_TRUE(f.EditorOpen());
    EXPECT_EQ(f.Editor()->text(), QStringLiteral("-"));
    EXPECT_EQ(f.ds().State(), dsEdit);
    // Corrected, the same cell can be left.
    f.RunScript(QStringLiteral("Backspace t:5 leave"));
    EXPECT_EQ(f.errors.size(), 1u);
    EXPECT_FALSE(f.EditorOpen());
    EXPECT_EQ(f.Current("CODICE_CLIENTE"), QStringLiteral("5"));
}

TEST(GridKeyboardMore, AChangeOfAnotherFieldOfTheRowStoresThePendingTextFirst)
{
    GridFixture f;
    f.Open();
    f.RunScript(QStringLiteral("End t:x"));
    f.ds().FieldByName(QStringLiteral("CODICE_CLIENTE"))->SetAsString(QStringLiteral("9"));
    EXPECT_EQ(f.Current("EXTFILE"), QStringLiteral("x"));
    EXPECT_FALSE(f.grid->DataLink()->Modified());
    ASSERT_TRUE(f.EditorOpen());
    EXPECT_EQ(f.Editor()->text(), QStringLiteral("x"));
    // A change of the editor's own field from elsewhere reloads the editor.
    f.ds().FieldByName(QStringLiteral("EXTFILE"))->SetAsString(QStringLiteral("y"));
    EXPECT_EQ(f.Editor()->text(), QStringLiteral("y"));
}

TEST(GridKeyboardMore, AButtonThatTakesNoFocusLeavesTheEditorAndTheRowAsTheyWere)
{
    GridFixture f;
    auto* button = new QPushButton(QStringLiteral("Apri Database"), f.window.get());
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(300, f.other->y(), 100, 20);
    button->show();
    f.Open();
    f.RunScript(QStringLiteral("End t:x"));
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(f.EditorOpen());
    EXPECT_EQ(f.Editor()->text(), QStringLiteral("x"));
    EXPECT_EQ(QApplication::focusWidget(), f.Editor());
    EXPECT_EQ(f.ds().State(), dsEdit);
    // Its command closes the record set: the typed text is dropped unposted.
    f.ds().Close();
    EXPECT_FALSE(f.EditorOpen());
    EXPECT_EQ(f.grid->Columns().Count(), 1);
    EXPECT_EQ(OtherConnection(f.data.path).Rows(), Expected(""));
    f.Open();
    EXPECT_EQ(f.Current("EXTFILE"), QString::fromLatin1(kPath1));
    EXPECT_EQ(f.grid->Col(), 1);
    EXPECT_TRUE(f.errors.empty());
}

TEST(GridKeyboardMore, EveryKindOfChangeAsksFirstWhetherTheCellMayBeModified)
{
    struct ChangeCase {
        const char* script;
        const char* text; // the editor's text afterwards, when the grid may edit
    };
    const ChangeCase cases[] = {
        {"Enter ^V", "999"},  {"Enter +Ins", "999"}, {"Enter Del", ""},
        {"Enter Backspace", ""}, {"Enter ^X", ""},   {"Enter t:8", "8"},
    };
    QGuiApplication::clipboard()->setText(QStringLiteral("999"));
    for (bool readOnly : {true, false}) {
        for (const ChangeCase& c : cases) {
            SCOPED_TRACE(std::string(c.script) + (readOnly ? " on a read-only grid" : ""));
            GridFixture f;
            f.Open();
            f.grid->SetReadOnly(readOnly);
            f.RunScript(QString::fromLatin1(c.script));
            ASSERT_TRUE(f.EditorOpen());
            EXPECT_EQ(f.Editor()->text(), readOnly ? QStringLiteral("101") : QString::fromLatin1(c.text));
            EXPECT_EQ(f.ds().State(), readOnly ? dsBrowse : dsEdit);
            EXPECT_EQ(f.grid->DataLink()->Modified(), !readOnly);
            EXPECT_EQ(f.grid->BeepCount(), 0) << "refused changes make no sound";
        }
    }
}

TEST(GridKeyboardMore, TheEditorOfAColumnWiderThanTheViewKeepsItsCaretInSight)
{
    GridFixture f;
    f.Open();
    f.RunScript(QStringLiteral("End F2 t:") + QString(60, QLatin1Char('x')));
    ASSERT_TRUE(f.EditorOpen());
    EXPECT_GT(f.grid->ColWidth(4), f.grid->viewport()->width());
    EXPECT_LE(f.Editor()->geometry().right(), f.grid->viewport()->width());
    EXPECT_LE(f.Editor()->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), f.Editor()->width());
    EXPECT_EQ(f.Editor()->text().size(), QString::fromLatin1(kPath1).size() + 60);
}

// What an input method, or the compose and dead-key handling of the window
// system, sends while a letter is composed (preedit) and once it is made.
void Compose(QWidget* target, const QString& preedit, const QString& commit)
{
    QInputMethodEvent event(preedit, {});
    event.setCommitString(commit);
    QCoreApplication::sendEvent(target, &event);
}

bool TakesInputMethodText(QWidget* w)
{
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QCoreApplication::sendEvent(w, &query);
    return query.value(Qt::ImEnabled).toBool();
}

TEST(GridComposedInput, ALetterComposedWithTheEditorClosedReplacesThePathAndReachesTheDatabase)
{
    GridFixture f;
    f.Open();
    f.RunScript(QStringLiteral("End"));
    // The window system hands composed text only to a control that says it takes it.
    EXPECT_TRUE(TakesInputMethodText(f.grid));
    // The dead key alone changes nothing.
    Compose(f.Target(), QStringLiteral("`"), QString());
    EXPECT_EQ(f.ds().State(), dsBrowse);
    EXPECT_FALSE(f.EditorOpen());
    Compose(f.Target(), QString(), QStringLiteral("\u00e8"));
    ASSERT_TRUE(f.EditorOpen());
    EXPECT_TRUE(TakesInputMethodText(f.Editor()));
    EXPECT_EQ(f.Editor()->text(), QStringLiteral("\u00e8"));
    EXPECT_EQ(f.ds().State(), dsEdit);
    EXPECT_EQ(f.PaintedIndicator(), giEdit);
    // Composed and typed letters mix; the code page carries the letter to the database.
    f.RunScript(QStringLiteral("t:x"));
    Compose(f.Target(), QStringLiteral("\u00b4"), QString());
    Compose(f.Target(), QString(), QStringLiteral("\u00e9"));
    f.RunScript(QStringLiteral("Down"));
    EXPECT_EQ(OtherConnection(f.data.path).Rows(), Expected("1=\xe8x\xe9"));
    EXPECT_EQ(f.grid->BeepCount(), 0);
}

TEST(GridComposedInput, ALetterComposedInTheOpenEditorIsTypedAtTheCaret)
{
    GridFixture f;
    f.Open();
    f.RunScript(QStringLiteral("End F2"));
    Compose(f.Target(), QStringLiteral("^"), QString());
    // Shown while composed, but not yet part of the text.
    EXPECT_EQ(f.Editor()->text(), QString::fromLatin1(kPath1));
    EXPECT_EQ(f.ds().State(), dsBrowse);
    Compose(f.Target(), QString(), QStringLiteral("\u00ea"));
    EXPECT_EQ(f.Editor()->text(), QString::fromLatin1(kPath1) + QStringLiteral("\u00ea"));
    EXPECT_EQ(f.ds().State(), dsEdit);
    EXPECT_TRUE(f.grid->DataLink()->Modified());
}

TEST(GridComposedInput, ComposedTextGetsTheChecksOfTypedText)
{
    struct Case {
        const char* name;
        const char* script;
        bool readOnly;
        const char* commit;
        int beeps;
    };
    const Case cases[] = {
        // CODICE_CLIENTE takes digits and signs only.
        {"a letter in an integer column", "", false, "\u00e8", 1},
        {"a composed digit string with a letter in it", "", false, "1\u00e8", 1},
        // Nothing may be changed: dropped without a sound.
        {"a letter on a read-only grid", "End", true, "\u00e8", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GridFixture f;
        f.Open();
        f.grid->SetReadOnly(c.readOnly);
        f.RunScript(QString::fromLatin1(c.script));
        Compose(f.Target(), QString(), QString::fromUtf8(c.commit));
        EXPECT_EQ(f.ds().State(), dsBrowse);
        EXPECT_FALSE(f.grid->DataLink()->Modified());
        EXPECT_EQ(f.grid->BeepCount(), c.beeps);
        if (f.EditorOpen()) {
            EXPECT_EQ(f.Editor()->text(), f.grid->SelectedField()->AsString());
        }
        EXPECT_EQ(OtherConnection(f.data.path).Rows(), Expected(""));
    }
}

} // namespace
