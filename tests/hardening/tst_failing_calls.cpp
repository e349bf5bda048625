// Every client call of "Apri Database" and of "Sostituisti stringa" made to
// fail in turn: for each N, the N-th call that takes a status vector fails
// (a lock conflict, as the server reports one under the no-wait
// transaction, or a lost connection). Whatever N is, nothing crashes, at
// most one error is shown, no row is left half rewritten, and the window
// goes on: "Apri Database" again and a second rewrite finish the job, each
// row rewritten once. The sanitizer build adds that no handle or buffer
// leaks on any of these paths.
#include "tests/window/WindowFixture.h"

#include "ibclient/binding/IGDSLibrary.h"

#include <string>

namespace {

const QStringList kRewrite = {QStringLiteral("patient_schema.sql"), QStringLiteral("rewrite_rows.sql")};

// The paths of rewrite_rows.sql, by AUTOID, before and after the defaults.
const QStringList kBefore = {"+\\immagini\\2003\\p.jpg", "+\\immagini\\a\\+\\immagini\\b.jpg", "x+\\immagini\\c.jpg",
                             "D:\\Archivio\\immagini\\d.jpg", "<null>", "", "+\\IMMAGINI\\e.jpg",
                             "E:\\fotoimmagini2\\f.jpg"};
QStringList After()
{
    QStringList after = kBefore;
    after[0] = QStringLiteral(":immagini:2003\\p.jpg");
    after[1] = QStringLiteral(":immagini:a\\:immagini:b.jpg");
    return after;
}

// Fails the N-th call that takes a status vector (counting from 1) with the
// given error code; counts the calls.
class TFailNth : public TClientCallObserver {
public:
    TFailNth(int n, ISC_STATUS code) : FN(n), FCode(code) { SetClientCallObserver(this); }
    ~TFailNth() override { SetClientCallObserver(nullptr); }
    bool BeforeCall(const char* name, ISC_STATUS* status) override
    {
        if (!status)
            return false;
        if (++calls != FN)
            return false;
        failed = name;
        status[0] = isc_arg_gds;
        status[1] = FCode;
        status[2] = isc_arg_end;
        return true;
    }
    int calls = 0;
    std::string failed;

private:
    int FN;
    ISC_STATUS FCode;
};

struct TFault {
    const char* what;
    ISC_STATUS code;
    const char* message; // the start of the error shown
};

const TFault kFaults[] = {
    {"lock conflict", isc_lock_conflict, "lock conflict on no wait transaction"},
    {"lost connection", isc_lost_db_connection, "connection lost to database"},
};

class FailingCalls : public WindowTest {
protected:
    void NewWindow()
    {
        form = std::make_unique<TForm1>();
        form->show();
    }
    // Opens the database, failing nothing; answers the boxes shown.
    std::vector<TShownBox> OpenShowing(const QString& path)
    {
        TBoxAnswers answers;
        Open(path);
        return answers.shown;
    }
    QStringList Stored(const QString& path)
    {
        TSecondConnection second(path);
        return second.Paths();
    }
    // At most one error, and the right one, besides the confirmation and
    // "Finito!".
    void ExpectOneErrorAtMost(const std::vector<TShownBox>& shown, const TFault& fault)
    {
        int errors = 0;
        for (const TShownBox& box : shown) {
            if (box.text == QLatin1String(TForm1::kConfirmation) || box.text == QStringLiteral("Finito!"))
                continue;
            ++errors;
            EXPECT_TRUE(box.text.startsWith(QLatin1String(fault.message))) << box.text.toStdString();
        }
        EXPECT_LE(errors, 1);
    }
    // The window goes on: opening again and rewriting finish the job.
    void ExpectASecondRunFinishes(const QString& path)
    {
        const std::vector<TShownBox> opened = OpenShowing(path);
        EXPECT_TRUE(opened.empty()) << opened.front().text.toStdString();
        ASSERT_TRUE(DataSet().Active());
        EXPECT_EQ(Press(form->Button2), Completed());
        form.reset();
        EXPECT_EQ(Stored(path), After());
    }
};

TEST_F(FailingCalls, ALostConnectionWhileTheGridFillsLeavesNoColumnOnAFieldThatIsGone)
{
    // Opening reads the first row; once the record set is open the grid
    // lays itself out and asks for the rows it shows, and the connection is
    // lost on the first of them: the record set closes and its fields go
    // while the grid is still laying itself out.
    const QString path = Database(kRewrite);
    std::vector<TShownBox> shown;
    {
        struct TLostWhileOpen : TClientCallObserver {
            explicit TLostWhileOpen(TDataSet* d) : dataSet(d) { SetClientCallObserver(this); }
            ~TLostWhileOpen() override { SetClientCallObserver(nullptr); }
            bool BeforeCall(const char* name, ISC_STATUS* status) override
            {
                if (failed || std::string(name) != "isc_dsql_fetch" || !dataSet->Active())
                    return false;
                failed = true;
                status[0] = isc_arg_gds;
                status[1] = isc_lost_db_connection;
                status[2] = isc_arg_end;
                return true;
            }
            TDataSet* dataSet;
            bool failed = false;
        } lost(form->IBDataSet1);
        shown = OpenShowing(path); // the error box lets the grid paint
        EXPECT_TRUE(lost.failed);
    }
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].text.startsWith(QStringLiteral("connection lost to database"))) << shown[0].text.toStdString();
    EXPECT_FALSE(DataSet().Active());
    ASSERT_EQ(form->DBGrid1->Columns().Count(), 1);
    EXPECT_EQ(form->DBGrid1->Columns()[0]->Field(), nullptr);
    form->DBGrid1->repaint();
    ExpectASecondRunFinishes(path);
}

TEST_F(FailingCalls, EachCallOfOpeningFailsInTurn)
{
    for (const TFault& fault : kFaults) {
        for (int n = 1;; ++n) {
            SCOPED_TRACE(testing::Message() << fault.what << " at call " << n);
            NewWindow();
            const QString path = Database(kRewrite, QStringLiteral("open-%1.fdb").arg(n));
            std::vector<TShownBox> shown;
            bool beyond = false;
            std::string failed;
            {
                TFailNth failing(n, fault.code);
                shown = OpenShowing(path);
                beyond = failing.calls < n;
                failed = failing.failed;
            }
            SCOPED_TRACE(failed);
            ExpectOneErrorAtMost(shown, fault);
            ExpectASecondRunFinishes(path);
            if (beyond)
                break; // every call has failed once
        }
    }
}

TEST_F(FailingCalls, EachCallOfARewriteFailsInTurn)
{
    for (const TFault& fault : kFaults) {
        for (int n = 1;; ++n) {
            SCOPED_TRACE(testing::Message() << fault.what << " at call " << n);
            NewWindow();
            const QString path = Database(kRewrite, QStringLiteral("rewrite-%1.fdb").arg(n));
            // A grid of two rows: the walk itself fetches the rows after them.
            form->DBGrid1->resize(form->DBGrid1->width(), 3 * form->DBGrid1->DefaultRowHeight());
            ASSERT_TRUE(OpenShowing(path).empty());
            std::vector<TShownBox> shown;
            bool beyond = false;
            std::string failed;
            {
                TFailNth failing(n, fault.code);
                shown = Press(form->Button2);
                beyond = failing.calls < n;
                failed = failing.failed;
            }
            SCOPED_TRACE(failed);
            ExpectOneErrorAtMost(shown, fault);
            if (beyond) {
                EXPECT_EQ(shown, Completed());
            }
            // Each row as it was or rewritten, never anything else.
            {
                const QStringList now = Stored(path);
                ASSERT_EQ(now.size(), kBefore.size());
                for (qsizetype i = 0; i < now.size(); ++i)
                    EXPECT_TRUE(now[i] == kBefore[i] || now[i] == After()[i]) << now[i].toStdString();
            }
            ExpectASecondRunFinishes(path);
            if (beyond)
                break;
        }
    }
}

} // namespace
