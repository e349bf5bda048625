// The main window under test, driven as the operator drives it: text typed
// into its boxes, clicks on its buttons, and answers given in the boxes it
// shows (a timer finds each modal box and answers it). The database is
// checked through a second connection of the test's own.
#pragma once

#include "app/TApplication.h"
#include "app/TForm1.h"
#include "grid/TDBGrid.h"
#include "ibclient/dataset/TDataSource.h"
#include "ibclient/ibdataset/TIBDataSet.h"
#include "ibclient/sql/TIBDatabase.h"
#include "ibclient/sql/TIBTransaction.h"
#include "tests/app/ModalWatch.h"
#include "tests/support/FixtureDatabase.h"
#include "tests/support/SecondConnection.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// A box the window showed: its caption and text.
struct TShownBox {
    QString caption;
    QString text;
    bool operator==(const TShownBox&) const = default;
};

inline void PrintTo(const TShownBox& box, std::ostream* os)
{
    *os << "[" << box.caption.toStdString() << "] " << box.text.toStdString();
}

inline QString BoxText(QWidget* box)
{
    if (auto* messageBox = qobject_cast<QMessageBox*>(box))
        return messageBox->text();
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("Message")))
        return label->text();
    return QString();
}

// Answers every box with the key the test chooses for it (by its text), and
// records what was shown. The progress box of a long walk is not a question:
// tests that want it answer it themselves.
class TBoxAnswers {
public:
    // Key for the confirmation of a rewrite; every other box gets Enter.
    explicit TBoxAnswers(int confirmKey = Qt::Key_Y)
        : FWatch([this, confirmKey](QWidget* box) {
              const QString text = BoxText(box);
              shown.push_back({box->windowTitle(), text});
              const int key = text == QLatin1String(TForm1::kConfirmation) ? confirmKey : Qt::Key_Return;
              QTest::keyClick(box, static_cast<Qt::Key>(key));
          },
                 {QStringLiteral("ProgressForm")})
    {
    }
    std::vector<TShownBox> shown;

private:
    ModalWatch FWatch;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        form = std::make_unique<TForm1>();
        form->show();
        QApplication::setActiveWindow(form.get());
    }
    void TearDown() override { form.reset(); }

    // A copy of a fixture database in the test's folder.
    QString Database(const QStringList& scripts = FixtureDatabase::kPatient, const QString& name = QStringLiteral("Pazienti.fdb"))
    {
        const QString path = dir.filePath(name);
        FixtureDatabase::Create(scripts, path);
        return path;
    }
    // Types a path into the path box and presses "Apri Database".
    void Open(const QString& path)
    {
        form->Edit1->setText(path);
        form->SpeedButton2->click();
    }
    // Presses a rewrite button, answering its boxes; answers what was shown.
    std::vector<TShownBox> Press(QPushButton* button, int confirmKey = Qt::Key_Y)
    {
        TBoxAnswers answers(confirmKey);
        button->click();
        return answers.shown;
    }
    TIBDataSet& DataSet() { return *form->IBDataSet1; }

    QTemporaryDir dir;
    std::unique_ptr<TForm1> form;
};

// The boxes of a rewrite that ran to its end.
inline std::vector<TShownBox> Completed()
{
    return {{QStringLiteral("Information"), QLatin1String(TForm1::kConfirmation)},
            {ApplicationTitle(), QStringLiteral("Finito!")}};
}
