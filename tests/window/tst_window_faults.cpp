// The server dies in the middle of a rewrite: the error is shown, the window
// stays usable, the rows posted before stay committed and no other row
// changed; once the server is back, opening again and a second rewrite
// finish the job.
#include "WindowFixture.h"

#include "tests/support/ClientCalls.h"
#include "tests/support/LoopbackServer.h"

#include <functional>

namespace {

TEST_F(WindowTest, TheServerKilledDuringARewrite)
{
    if (!LoopbackServer::Available())
        GTEST_SKIP() << LoopbackServer::SkipMessage().toStdString();
    LoopbackServer server;
    const QString local = server.CreateDatabase(QStringLiteral("Pazienti.fdb"),
                                                {QStringLiteral("patient_schema.sql"), QStringLiteral("patient_rows.sql"),
                                                 QStringLiteral("many_rows.sql")});
    const QString remote = server.Remote(QStringLiteral("Pazienti.fdb"));
    Open(remote);
    ASSERT_TRUE(DataSet().Active());

    std::vector<TShownBox> shown;
    {
        // The server goes away just before the fourth update.
        TClientCalls calls;
        calls.Before("isc_dsql_execute", 4, [&] { server.Kill(); });
        shown = Press(form->Button2);
    }
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[1].text == QStringLiteral("Error writing data to the connection.")
                || shown[1].text == QStringLiteral("Error reading data from the connection."))
        << shown[1].text.toStdString();
    EXPECT_FALSE(form->IBDatabase1->Connected());
    EXPECT_FALSE(DataSet().Active());

    server.Start();
    {
        TSecondConnection second(remote);
        const QStringList paths = second.Paths();
        EXPECT_EQ(paths.mid(0, 3), (QStringList{":immagini:2003\\p0001.jpg", ":immagini:2003\\p0002.jpg",
                                                "D:\\Archivio\\immagini\\2004\\r0003.jpg"}));
        EXPECT_EQ(paths.value(3), QStringLiteral(":immagini:a\\:immagini:p0004.jpg"));
        // Rows after the third posted one are as they were.
        EXPECT_EQ(second.Column(QStringLiteral("select count(*) from IMMAGINI where EXTFILE starting with ':'")),
                  QStringList{QStringLiteral("3")});
    }
    // The window goes on: open again and finish the job.
    form->SpeedButton2->click();
    ASSERT_TRUE(DataSet().Active());
    EXPECT_EQ(Press(form->Button2), Completed());
    TSecondConnection second(remote);
    EXPECT_EQ(second.Column(QStringLiteral("select count(*) from IMMAGINI where EXTFILE starting with '+'")),
              QStringList{QStringLiteral("0")});
    EXPECT_EQ(second.Column(QStringLiteral("select count(*) from IMMAGINI where EXTFILE starting with ':'")),
              QStringList{QStringLiteral("1503")});
    (void)local;
}

} // namespace
