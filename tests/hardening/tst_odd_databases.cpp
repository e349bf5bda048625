// Patient databases whose IMMAGINI is not quite the clinic's: other column
// types for the path and the keys, a path in UTF8, a one-character path
// column, a 32,000-character one, a computed path, IMMAGINI as a view,
// extreme key values. The window opens each (or shows why it cannot), the
// rewrite changes what it can and shows an error where it cannot, nothing
// crashes, and the next "Apri Database" on the clinic's database works.
#include "tests/window/WindowFixture.h"

namespace {

// The columns of IMMAGINI beside the four the select reads.
const QString kOther = QStringLiteral(
    "ZONA VARCHAR(30), DATA DATE, GRAPHICS BLOB SUB_TYPE 0, COMMENTO VARCHAR(200), MISURE BLOB SUB_TYPE 1");

QString Table(const QString& name, const QString& columns)
{
    return QStringLiteral("CREATE TABLE %1 (%2, %3);\nCOMMIT;\n").arg(name, columns, kOther);
}

QString Row(const QString& values)
{
    return QStringLiteral("INSERT INTO IMMAGINI (CODICE_CLIENTE, NUMERO_CARTELLA, AUTOID, EXTFILE) VALUES (%1);\n")
        .arg(values);
}

struct TCase {
    const char* what;
    QString sql;
    int dialect;
    QString openError;    // the start of the error shown by "Apri Database", or empty
    QString rewriteError; // the error shown by the rewrite, or empty for "Finito!"
    QStringList stored;   // EXTFILE afterwards, by AUTOID
};

class OddDatabases : public WindowTest {};

TEST_F(OddDatabases, EachOpensOrShowsWhyAndTheWindowGoesOn)
{
    const QString keys = QStringLiteral("CODICE_CLIENTE INTEGER, NUMERO_CARTELLA INTEGER, AUTOID INTEGER NOT NULL PRIMARY KEY");
    const TCase cases[] = {
        {"the path as a text blob",
         Table(QStringLiteral("IMMAGINI"), keys + QStringLiteral(", EXTFILE BLOB SUB_TYPE 1"))
             + Row(QStringLiteral("1, 1, 1, '+\\immagini\\a.jpg'")),
         1, QString(), QStringLiteral("Cannot access field 'EXTFILE' as type String."),
         {QStringLiteral("+\\immagini\\a.jpg")}},
        {"the path as an integer",
         Table(QStringLiteral("IMMAGINI"), keys + QStringLiteral(", EXTFILE INTEGER")) + Row(QStringLiteral("1, 1, 1, 12")),
         1, QString(), QString(), {QStringLiteral("12")}},
        {"the path in UTF8",
         Table(QStringLiteral("IMMAGINI"), keys + QStringLiteral(", EXTFILE VARCHAR(20) CHARACTER SET UTF8"))
             + Row(QStringLiteral("1, 1, 1, '+\\immagini\\a.jpg'")),
         1, QString(), QString(), {QStringLiteral(":immagini:a.jpg")}},
        {"a path column of one character",
         Table(QStringLiteral("IMMAGINI"), keys + QStringLiteral(", EXTFILE CHAR(1)")) + Row(QStringLiteral("1, 1, 1, '+'")),
         1, QString(), QString(), {QStringLiteral("+")}},
        {"a path column of 32,000 characters",
         Table(QStringLiteral("IMMAGINI"), keys + QStringLiteral(", EXTFILE VARCHAR(32000)"))
             + Row(QStringLiteral("1, 1, 1, '+\\immagini\\a.jpg'")),
         1, QString(), QString(), {QStringLiteral(":immagini:a.jpg")}},
        {"keys of other types",
         Table(QStringLiteral("IMMAGINI"), QStringLiteral("CODICE_CLIENTE NUMERIC(18,4), NUMERO_CARTELLA DOUBLE PRECISION, "
                                                          "AUTOID VARCHAR(10) NOT NULL PRIMARY KEY, EXTFILE VARCHAR(255)"))
             + Row(QStringLiteral("1.5, 2.25, 'k1', '+\\immagini\\a.jpg'")),
         1, QString(), QString(), {QStringLiteral(":immagini:a.jpg")}},
        {"dates as keys, at the ends of the calendar",
         Table(QStringLiteral("IMMAGINI"), QStringLiteral("CODICE_CLIENTE DATE, NUMERO_CARTELLA TIMESTAMP, "
                                                          "AUTOID INTEGER NOT NULL PRIMARY KEY, EXTFILE VARCHAR(255)"))
             + Row(QStringLiteral("'1-JAN-0001', '31-DEC-9999 23:59:59', 1, '+\\immagini\\a.jpg'")),
         1, QString(), QString(), {QStringLiteral(":immagini:a.jpg")}},
        {"the smallest values of each integer type (dialect 3)",
         Table(QStringLiteral("IMMAGINI"), QStringLiteral("CODICE_CLIENTE BIGINT, NUMERO_CARTELLA SMALLINT, "
                                                          "AUTOID INTEGER NOT NULL PRIMARY KEY, EXTFILE VARCHAR(255)"))
             + Row(QStringLiteral("-9223372036854775808, -32768, -2147483648, '+\\immagini\\a.jpg'")),
         3, QString(), QString(), {QStringLiteral(":immagini:a.jpg")}},
        {"a boolean and a float among the keys (dialect 3)",
         Table(QStringLiteral("IMMAGINI"), QStringLiteral("CODICE_CLIENTE BOOLEAN, NUMERO_CARTELLA FLOAT, "
                                                          "AUTOID INTEGER NOT NULL PRIMARY KEY, EXTFILE VARCHAR(255)"))
             + Row(QStringLiteral("TRUE, 1e30, 1, '+\\immagini\\a.jpg'")),
         3, QString(), QString(), {QStringLiteral(":immagini:a.jpg")}},
        {"a computed path",
         Table(QStringLiteral("IMMAGINI"), keys + QStringLiteral(", E2 VARCHAR(100), EXTFILE COMPUTED BY (E2)"))
             + QStringLiteral("INSERT INTO IMMAGINI (CODICE_CLIENTE, NUMERO_CARTELLA, AUTOID, E2) "
                              "VALUES (1, 1, 1, '+\\immagini\\a.jpg');\n"),
         1, QStringLiteral("attempted update of read-only column"), QString(), {QStringLiteral("+\\immagini\\a.jpg")}},
        {"IMMAGINI as a view",
         Table(QStringLiteral("T"), keys + QStringLiteral(", EXTFILE VARCHAR(100)"))
             + QStringLiteral("CREATE VIEW IMMAGINI AS SELECT CODICE_CLIENTE, NUMERO_CARTELLA, AUTOID, EXTFILE, "
                              "ZONA, DATA, GRAPHICS, COMMENTO, MISURE FROM T;\nCOMMIT;\n")
             + Row(QStringLiteral("1, 1, 1, '+\\immagini\\a.jpg'")),
         1, QString(), QString(), {QStringLiteral(":immagini:a.jpg")}},
    };

    const QString clinic = Database();
    int n = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.filePath(QStringLiteral("odd%1.fdb").arg(++n));
        FixtureDatabase::CreateEmpty(path, c.dialect);
        FixtureDatabase::RunIsql(path, c.sql);

        std::vector<TShownBox> shown;
        {
            TBoxAnswers answers;
            Open(path);
            shown = answers.shown;
        }
        if (c.openError.isEmpty()) {
            ASSERT_TRUE(shown.empty()) << shown.front().text.toStdString();
            ASSERT_TRUE(DataSet().Active());
            form->DBGrid1->repaint();
            shown = Press(form->Button2);
            ASSERT_EQ(shown.size(), 2u);
            EXPECT_EQ(shown[1].text, c.rewriteError.isEmpty() ? QStringLiteral("Finito!") : c.rewriteError);
        } else {
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_TRUE(shown[0].text.startsWith(c.openError)) << shown[0].text.toStdString();
            EXPECT_FALSE(DataSet().Active());
        }
        {
            TSecondConnection second(path);
            EXPECT_EQ(second.Column(QStringLiteral("select EXTFILE from IMMAGINI order by AUTOID")), c.stored);
        }

        // The window goes on with the clinic's database.
        {
            TBoxAnswers answers;
            Open(clinic);
            EXPECT_TRUE(answers.shown.empty());
        }
        EXPECT_TRUE(DataSet().Active());
        EXPECT_EQ(DataSet().FieldByName(QStringLiteral("AUTOID"))->AsInteger(), 1);
    }
}

} // namespace
