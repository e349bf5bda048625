// Unusual but valid paths through "Sostituisti stringa": letters of code page
// 1252 beyond ASCII (è, ü, €), tabs and trailing blanks, a path exactly as
// long as its column, a search text longer than the path, and search and
// replacement texts of 1,000 characters. Each row is rewritten as the rule
// says and stored byte for byte: the rows are written by isql from
// hexadecimal literals and checked against hexadecimal literals and their
// byte count, so no conversion of ours stands on both sides.
#include "tests/window/WindowFixture.h"

#include "ibclient/binding/IGDSLibrary.h"

#include <cstring>

namespace {

const QStringList kWide = {QStringLiteral("wide_paths_schema.sql")};
const QStringList kNarrow = {QStringLiteral("patient_schema.sql")}; // EXTFILE VARCHAR(255)

// Text as the operator types it and as code page 1252 stores it.
QByteArray Cp1252(const QString& text)
{
    QByteArray bytes;
    for (QChar c : text)
        bytes.append(c == QChar(0x20AC) ? '\x80' : static_cast<char>(c.unicode()));
    return bytes;
}

struct TRow {
    int autoid;
    QString path;     // as stored before
    QString expected; // as stored after
};

struct TCase {
    const char* what;
    QStringList schema;
    QString search;
    QString replacement;
    std::vector<TRow> rows;
    int updates; // rows edited and posted
};

class TUpdateCounter : public TClientCallObserver {
public:
    TUpdateCounter() { SetClientCallObserver(this); }
    ~TUpdateCounter() override { SetClientCallObserver(nullptr); }
    bool BeforeCall(const char* name, ISC_STATUS*) override
    {
        updates += std::strcmp(name, "isc_dsql_execute") == 0 ? 1 : 0;
        return false;
    }
    int updates = 0;
};

using UnusualPaths = WindowTest;

TEST_F(UnusualPaths, EachPathIsRewrittenByTheRuleAndStoredByteForByte)
{
    const QString accents = QStringLiteral("Perizia ") + QChar(0xE8) + QChar(0xFC) + QChar(0x20AC);
    const QString longest = QStringLiteral("+\\immagini\\") + QString(243, u'a'); // 254 characters
    // 1,000 characters with letters beyond ASCII, and another 1,000 to put in their place.
    QString search, replacement;
    for (int i = 0; i < 1000; ++i) {
        search += QStringLiteral("abc") + QChar(0xE8) + u'\\';
        replacement += QChar(0x20AC) + QStringLiteral("xyz") + QChar(0xFC);
    }
    search.truncate(1000);
    replacement.truncate(1000);

    const TCase cases[] = {
        {"letters of 1252 beyond ASCII in the path",
         kNarrow, QStringLiteral("+\\immagini\\"), QStringLiteral(":immagini:"),
         {{1, QStringLiteral("+\\immagini\\") + accents + QStringLiteral(".jpg"),
           QStringLiteral(":immagini:") + accents + QStringLiteral(".jpg")}},
         1},
        {"letters beyond ASCII in the search and replacement texts",
         kNarrow, QStringLiteral("+\\") + QChar(0xE8) + QStringLiteral("\\"), QChar(0x20AC) + QStringLiteral(":"),
         {{1, QStringLiteral("+\\") + QChar(0xE8) + QStringLiteral("\\a\\+\\") + QChar(0xE8) + QStringLiteral("\\b.jpg"),
           QChar(0x20AC) + QStringLiteral(":a\\") + QChar(0x20AC) + QStringLiteral(":b.jpg")},
          {2, QStringLiteral("+\\e\\c.jpg"), QStringLiteral("+\\e\\c.jpg")}},
         1},
        {"tabs and trailing blanks in the path and in the texts",
         kNarrow, QStringLiteral("+\\immagini\\\t"), QStringLiteral(":immagini:  \t"),
         {{1, QStringLiteral("+\\immagini\\\t2003\tp.jpg  "), QStringLiteral(":immagini:  \t2003\tp.jpg  ")},
          {2, QStringLiteral("+\\immagini\\2003.jpg \t "), QStringLiteral("+\\immagini\\2003.jpg \t ")}},
         1},
        {"a rewritten path exactly as long as its column",
         kNarrow, QStringLiteral("+\\immagini\\"), QStringLiteral(":immagini:Z\\"),
         {{1, longest, QStringLiteral(":immagini:Z\\") + QString(243, u'a')}},
         1},
        {"a stored path exactly as long as its column",
         kNarrow, QStringLiteral("+\\immagini\\"), QStringLiteral(":immagini:"),
         {{1, longest + u'b', QStringLiteral(":immagini:") + QString(243, u'a') + u'b'}},
         1},
        {"a search text longer than the path",
         kNarrow, QStringLiteral("+\\immagini\\a.jpg\\altro"), QStringLiteral(":immagini:"),
         {{1, QStringLiteral("+\\immagini\\a.jpg"), QStringLiteral("+\\immagini\\a.jpg")},
          {2, QString(), QString()}},
         0},
        {"search and replacement texts of 1,000 characters",
         kWide, search, replacement,
         {{1, search + QStringLiteral("\\foto.jpg"), replacement + QStringLiteral("\\foto.jpg")},
          {2, search + u'\\' + search + QStringLiteral(".jpg"), replacement + u'\\' + replacement + QStringLiteral(".jpg")},
          {3, search.left(999) + QStringLiteral("!.jpg"), search.left(999) + QStringLiteral("!.jpg")}},
         2},
    };

    int n = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = Database(c.schema, QStringLiteral("case%1.fdb").arg(++n));
        QString inserts;
        for (const TRow& row : c.rows)
            inserts += QStringLiteral("INSERT INTO IMMAGINI (CODICE_CLIENTE, NUMERO_CARTELLA, AUTOID, EXTFILE) "
                                      "VALUES (1, 1, %1, x'%2');\n")
                           .arg(row.autoid)
                           .arg(QString::fromLatin1(Cp1252(row.path).toHex()));
        FixtureDatabase::RunIsql(path, inserts);

        Open(path);
        ASSERT_TRUE(DataSet().Active());
        form->Edit2->setText(c.search);
        form->Edit3->setText(c.replacement);
        TUpdateCounter counter;
        EXPECT_EQ(Press(form->Button2), Completed());
        EXPECT_EQ(counter.updates, c.updates);

        TSecondConnection second(path);
        for (const TRow& row : c.rows) {
            SCOPED_TRACE(testing::Message() << "AUTOID " << row.autoid);
            const QByteArray bytes = Cp1252(row.expected);
            EXPECT_EQ(second.Column(QStringLiteral("select count(*) from IMMAGINI where AUTOID = %1 "
                                                   "and EXTFILE = x'%2' and octet_length(EXTFILE) = %3")
                                        .arg(row.autoid)
                                        .arg(QString::fromLatin1(bytes.toHex()))
                                        .arg(bytes.size())),
                      QStringList{QStringLiteral("1")})
                << "stored: " << second.Column(QStringLiteral("select EXTFILE from IMMAGINI where AUTOID = %1")
                                                   .arg(row.autoid))
                                     .value(0)
                                     .toStdString();
        }
        // The reopened record set reads them back as the text they are.
        for (const TRow& row : c.rows) {
            ASSERT_FALSE(DataSet().Eof());
            EXPECT_EQ(DataSet().FieldByName(QStringLiteral("EXTFILE"))->AsString(), row.expected);
            DataSet().Next();
        }
    }
}

} // namespace
