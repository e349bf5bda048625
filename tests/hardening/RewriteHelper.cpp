// velmora_rewrite_helper: the program's window in a process of its own, for
// tests that must kill the program in the middle of a rewrite (the program
// itself reads no command line and cannot be driven from outside).
//
// Usage: velmora_rewrite_helper DATABASE SEARCH REPLACEMENT
// It opens the window, types DATABASE into the path box and presses
// "Apri Database", puts SEARCH and REPLACEMENT into the two lower boxes and
// presses "Sostituisti stringa", answering Yes to the confirmation and Enter
// to every other box. On standard output, flushed at once, it writes
// "committed N" before each update (N rows committed so far), "box: TEXT"
// for each box other than the confirmation, and "done" at the end; the exit
// code is 0 when "Finito!" was shown, else 1.
#include "app/TApplication.h"
#include "app/TForm1.h"
#include "ibclient/binding/IGDSLibrary.h"
#include "tests/app/ModalWatch.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <cstdio>
#include <cstring>

namespace {

class TProgress : public TClientCallObserver {
public:
    TProgress() { SetClientCallObserver(this); }
    ~TProgress() override { SetClientCallObserver(nullptr); }
    bool BeforeCall(const char* name, ISC_STATUS*) override
    {
        if (std::strcmp(name, "isc_commit_retaining") == 0) {
            ++FCommits;
        } else if (std::strcmp(name, "isc_dsql_execute") == 0) {
            std::printf("committed %d\n", FCommits);
            std::fflush(stdout);
        }
        return false;
    }

private:
    int FCommits = 0;
};

QString BoxText(QWidget* box)
{
    if (auto* messageBox = qobject_cast<QMessageBox*>(box))
        return messageBox->text();
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("Message")))
        return label->text();
    return QString();
}

} // namespace

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: velmora_rewrite_helper DATABASE SEARCH REPLACEMENT\n");
        return 2;
    }
    bool finished = false;
    ModalWatch answers([&](QWidget* box) {
        const QString text = BoxText(box);
        if (text == QLatin1String(TForm1::kConfirmation)) {
            QTest::keyClick(box, Qt::Key_Y);
            return;
        }
        finished = finished || text == QStringLiteral("Finito!");
        std::printf("box: %s\n", text.toUtf8().constData());
        std::fflush(stdout);
        QTest::keyClick(box, Qt::Key_Return);
    },
                       {QStringLiteral("ProgressForm")}); // a long walk's progress box is left to run

    TForm1 form;
    form.show();
    form.Edit1->setText(args.at(1));
    form.SpeedButton2->click();
    form.Edit2->setText(args.at(2));
    form.Edit3->setText(args.at(3));
    {
        TProgress progress;
        form.Button2->click();
    }
    std::printf("done\n");
    std::fflush(stdout);
    return finished ? 0 : 1;
}
