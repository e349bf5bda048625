// GridFixture: the grid as the program's window holds it, over the real
// record set on a copy of a fixture database: a window in the design font
// with the grid (eleven visible rows unless asked otherwise) and a text box
// to move the focus to, the program's connection, transaction and record set
// with the after-post commit, and the application's error display turned
// into a list of messages.
//
// Operator actions are written as short scripts (RunScript): key names,
// typed text, clicks on cells, leaving the grid and the answers to the
// delete question. A second connection (OtherConnection) reads what the
// database holds.
#pragma once

#include "app/TApplication.h"
#include "grid/GridIndicator.h"
#include "grid/TDBGrid.h"
#include "grid/TDBGridInplaceEdit.h"
#include "grid/TGridDataLink.h"
#include "ibclient/dataset/TDataSource.h"
#include "ibclient/sql/TIBSQL.h"
#include "ibclient/sql/TIBXSQLDA.h"
#include "ibclient/sql/TIBXSQLVAR.h"
#include "tests/app/ModalWatch.h"
#include "tests/support/PatientDataSet.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>

// A connection of its own to the same file, reading IMMAGINI as the
// database holds it (committed rows only).
class OtherConnection {
public:
    explicit OtherConnection(const QString& path)
    {
        FDatabase.SetParams({QStringLiteral("user_name=sysdba"), QStringLiteral("password=quietloom")});
        FDatabase.SetLoginPrompt(false);
        FDatabase.SetSQLDialect(1);
        FDatabase.SetDatabaseName(path);
        FTransaction.SetDefaultDatabase(&FDatabase);
        FTransaction.SetParams({QStringLiteral("read_committed"), QStringLiteral("rec_version"), QStringLiteral("nowait")});
        FDatabase.Open();
    }
    ~OtherConnection()
    {
        if (FTransaction.InTransaction())
            FTransaction.Rollback();
    }

    // AUTOID -> EXTFILE ("" for null) of every row.
    std::map<int, QString> Rows()
    {
        std::map<int, QString> rows;
        FTransaction.StartTransaction();
        TIBSQL q(nullptr);
        q.SetDatabase(&FDatabase);
        q.SetTransaction(&FTransaction);
        q.SetSQLText(QStringLiteral("select AUTOID, EXTFILE from IMMAGINI"));
        q.SetGoToFirstRecordOnExecute(false);
        q.ExecQuery();
        for (TIBXSQLDA* row = q.Next(); row; row = q.Next())
            rows[row->Vars(0)->AsInteger()] = row->Vars(1)->AsString();
        q.Close();
        FTransaction.Commit();
        return rows;
    }

    // Runs a statement in a transaction left open (a lock held by another
    // user); RollbackWork ends it.
    void ExecuteOpen(const QString& sql)
    {
        if (!FTransaction.InTransaction())
            FTransaction.StartTransaction();
        TIBSQL q(nullptr);
        q.SetDatabase(&FDatabase);
        q.SetTransaction(&FTransaction);
        q.SetSQLText(sql);
        q.ExecQuery();
    }
    void RollbackWork() { FTransaction.Rollback(); }

private:
    TIBDatabase FDatabase{nullptr};
    TIBTransaction FTransaction{nullptr};
};

class GridFixture {
public:
    explicit GridFixture(const QStringList& scripts = FixtureDatabase::kPatient, int visibleRows = 11)
        : data(scripts), source(nullptr), visible(visibleRows)
    {
        // The grid is tried on every column: its statements write all four
        // (the program's own write only EXTFILE, or AUTOID and EXTFILE, and
        // the record set refuses changes to the other columns).
        data.dataSet->SetModifySQL({QStringLiteral("update IMMAGINI set CODICE_CLIENTE = :CODICE_CLIENTE,"),
                                    QStringLiteral("  NUMERO_CARTELLA = :NUMERO_CARTELLA, EXTFILE = :EXTFILE"),
                                    QStringLiteral("where AUTOID = :OLD_AUTOID")});
        data.dataSet->SetInsertSQL({QStringLiteral("insert into IMMAGINI (CODICE_CLIENTE, NUMERO_CARTELLA, AUTOID, EXTFILE)"),
                                    QStringLiteral("values (:CODICE_CLIENTE, :NUMERO_CARTELLA, :AUTOID, :EXTFILE)")});
        source.SetName(QStringLiteral("DataSource1"));
        source.SetDataSet(data.dataSet.get());
        window = std::make_unique<QWidget>();
        window->setFont(TDBGrid::DesignFont());
        grid = new TDBGrid(window.get());
        grid->setObjectName(QStringLiteral("DBGrid1"));
        grid->SetDataSource(&source);
        other = new QLineEdit(window.get());
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        grid->setFocus();
        SetVisibleRows(visibleRows);
        Application->SetOnException([this](QObject*, const Exception& E) { errors.push_back(E.Message()); });
        watch = std::make_unique<ModalWatch>([this](QWidget* box) { AnswerBox(box); });
    }

    ~GridFixture()
    {
        watch.reset();
        Application->SetOnException(nullptr);
        window.reset();
    }

    GridFixture(const GridFixture&) = delete;
    GridFixture& operator=(const GridFixture&) = delete;

    // Sizes the grid so that exactly Rows data rows fit below the titles;
    // the text box sits below it.
    void SetVisibleRows(int Rows)
    {
        visible = Rows;
        grid->setGeometry(8, 8, 457, 217);
        for (int i = 0; i < 3; ++i) {
            const int wanted = grid->TitleRowHeight() + 1 + Rows * (grid->DefaultRowHeight() + 1) + 2;
            grid->resize(457, grid->height() + wanted - grid->viewport()->height());
        }
        other->setGeometry(8, grid->geometry().bottom() + 8, 120, 20);
        window->resize(473, grid->geometry().bottom() + 40);
        QCoreApplication::processEvents();
    }

    // Opens as "Apri Database" does; the scroll bars that come with the rows
    // take room, so the grid is sized again.
    void Open()
    {
        data.Open();
        SetVisibleRows(visible);
    }
    TIBDataSet& ds() { return *data.dataSet; }
    QString Current(const char* name) { return ds().FieldByName(QString::fromLatin1(name))->AsString(); }
    TDBGridInplaceEdit* Editor() { return grid->InplaceEditor(); }
    bool EditorOpen() { return grid->EditorMode() && Editor() && Editor()->isVisible(); }

    // The indicator symbol painted in the current row, or -1 for none.
    int PaintedIndicator()
    {
        QCoreApplication::processEvents();
        const QImage image = grid->viewport()->grab().toImage();
        const QRect cell = grid->CellRect(0, grid->Row());
        const int x0 = cell.right() - 2 - (IndicatorWidth - 1);
        const int y0 = cell.top() + (cell.height() - IndicatorHeight) / 2;
        for (int s = giArrow; s <= giInsert; ++s) {
            bool same = true;
            for (int y = 0; y < IndicatorHeight && same; ++y)
                for (int x = 0; x < IndicatorWidth && same; ++x) {
                    const bool black = qGray(image.pixel(x0 + x, y0 + y)) < 40;
                    same = black == IndicatorPixel(static_cast<TGridIndicator>(s), x, y);
                }
            if (same)
                return s;
        }
        return -1;
    }

    // Runs an operator script, tokens separated by blanks:
    //   Up Down Left Right Home End PgUp PgDn Tab BackTab Esc Enter F2 Ins
    //   Del Backspace   keys, A to Z letters; ^ in front adds Ctrl, + Shift
    //   t:text          types text
    //   click:c,r       left press and release on cell (c, r)
    //   leave           moves the focus to the window's text box
    //   back            gives the grid the focus again
    //   ok cancel esc-box   the answer to the next question box
    void RunScript(const QString& script)
    {
        for (const QString& token : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (token.startsWith(QLatin1String("t:"))) {
                // One at a time: the first character opens the editor, which
                // then has the focus.
                for (QChar c : token.mid(2))
                    QTest::keyClicks(Target(), QString(c));
            } else if (token.startsWith(QLatin1String("click:"))) {
                const QStringList cell = token.mid(6).split(QLatin1Char(','));
                Click(cell.value(0).toInt(), cell.value(1).toInt());
            } else if (token == QLatin1String("leave")) {
                other->setFocus(Qt::TabFocusReason);
            } else if (token == QLatin1String("back")) {
                grid->setFocus(Qt::TabFocusReason);
            } else if (token == QLatin1String("ok") || token == QLatin1String("cancel") || token == QLatin1String("esc-box")) {
                answers.push_back(token);
            } else {
                Key(token);
            }
            QCoreApplication::processEvents();
        }
    }

    void Key(QString name)
    {
        Qt::KeyboardModifiers mods;
        while (name.size() > 1 && (name[0] == QLatin1Char('^') || name[0] == QLatin1Char('+'))) {
            mods |= name[0] == QLatin1Char('^') ? Qt::ControlModifier : Qt::ShiftModifier;
            name.remove(0, 1);
        }
        static const std::map<QString, Qt::Key> keys = {
            {QStringLiteral("Up"), Qt::Key_Up},       {QStringLiteral("Down"), Qt::Key_Down},
            {QStringLiteral("Left"), Qt::Key_Left},   {QStringLiteral("Right"), Qt::Key_Right},
            {QStringLiteral("Home"), Qt::Key_Home},   {QStringLiteral("End"), Qt::Key_End},
            {QStringLiteral("PgUp"), Qt::Key_PageUp}, {QStringLiteral("PgDn"), Qt::Key_PageDown},
            {QStringLiteral("Tab"), Qt::Key_Tab},     {QStringLiteral("BackTab"), Qt::Key_Backtab},
            {QStringLiteral("Esc"), Qt::Key_Escape},  {QStringLiteral("Enter"), Qt::Key_Return},
            {QStringLiteral("F2"), Qt::Key_F2},       {QStringLiteral("Ins"), Qt::Key_Insert},
            {QStringLiteral("Del"), Qt::Key_Delete},  {QStringLiteral("Backspace"), Qt::Key_Backspace}};
        if (name.size() == 1 && name[0] >= QLatin1Char('A') && name[0] <= QLatin1Char('Z')) {
            // A letter, with its modifiers: ^V pastes, ^X cuts.
            QTest::keyClick(Target(), static_cast<Qt::Key>(Qt::Key_A + (name[0].unicode() - 'A')), mods);
            return;
        }
        const auto found = keys.find(name);
        if (found == keys.end()) {
            ADD_FAILURE() << "unknown key " << name.toStdString();
            return;
        }
        if (found->second == Qt::Key_Backtab)
            mods |= Qt::ShiftModifier;
        QTest::keyClick(Target(), found->second, mods);
    }

    void Click(int Col, int Row, Qt::MouseButton Button = Qt::LeftButton)
    {
        const QRect cell = grid->CellRect(Col, Row);
        ASSERT_FALSE(cell.isEmpty()) << "cell " << Col << "," << Row << " is not in view";
        QTest::mouseClick(grid->viewport(), Button, Qt::NoModifier, cell.center());
    }

    QWidget* Target()
    {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus : grid;
    }

public:
    PatientDataSet data;
    TDataSource source;
    std::unique_ptr<QWidget> window;
    TDBGrid* grid = nullptr;
    QLineEdit* other = nullptr;
    std::vector<QString> errors;
    std::vector<QString> boxTexts;
    std::deque<QString> answers;
    std::unique_ptr<ModalWatch> watch;
    int visible;

private:
    void AnswerBox(QWidget* box)
    {
        const QLabel* label = box->findChild<QLabel*>(QStringLiteral("Message"));
        boxTexts.push_back(label ? label->text() : QStringLiteral("<no text>"));
        const QString answer = answers.empty() ? QStringLiteral("esc-box") : answers.front();
        if (!answers.empty())
            answers.pop_front();
        if (answer == QLatin1String("esc-box")) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        const QString name = answer == QLatin1String("ok") ? QStringLiteral("OK") : QStringLiteral("Cancel");
        if (QPushButton* button = box->findChild<QPushButton*>(name))
            button->click();
        else
            box->close();
    }
};
