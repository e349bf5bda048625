// Converting ":name" parameters to "?" markers: what reaches the server and
// which names are listed, for quotes, comments (block and line), markers
// without names and unclosed strings and comments; and how names are
// normalised. A colon the server does not see as a marker (in a string, a
// quoted identifier or a comment) must make no parameter, or values would
// reach the wrong markers.
#include "ibclient/binding/EIBError.h"
#include "ibclient/sql/TIBSQL.h"

#include <gtest/gtest.h>

namespace {

struct TConversionCase {
    const char* what;
    QString text;
    QString expected;
    QStringList names;
};

TEST(NamedParameters, ConversionTable)
{
    const TConversionCase cases[] = {
        {"the program's update",
         "update IMMAGINI\r\nset\r\n  EXTFILE = :EXTFILE\r\nwhere\r\n  AUTOID = :OLD_AUTOID and\r\n"
         "  CODICE_CLIENTE = :OLD_CODICE_CLIENTE and\r\n  NUMERO_CARTELLA = :OLD_NUMERO_CARTELLA\r\n",
         "update IMMAGINI\r\nset\r\n  EXTFILE = ?\r\nwhere\r\n  AUTOID = ? and\r\n"
         "  CODICE_CLIENTE = ? and\r\n  NUMERO_CARTELLA = ?\r\n",
         {"EXTFILE", "OLD_AUTOID", "OLD_CODICE_CLIENTE", "OLD_NUMERO_CARTELLA"}},
        {"the program's select has no parameter",
         "select CODICE_CLIENTE,NUMERO_CARTELLA, AUTOID,EXTFILE from IMMAGINI\r\n",
         "select CODICE_CLIENTE,NUMERO_CARTELLA, AUTOID,EXTFILE from IMMAGINI\r\n", {}},
        {"a colon in a single-quoted string", "select ':a' from T where A = :B\r\n",
         "select ':a' from T where A = ?\r\n", {"B"}},
        {"a colon in a double-quoted identifier", "select \"X:Y\" from T\r\n", "select \"X:Y\" from T\r\n", {}},
        {"a doubled quote stays inside the string", "select 'it''s :no' from T\r\n",
         "select 'it''s :no' from T\r\n", {}},
        {"a colon in a block comment", "select /* :no */ A from T\r\n", "select /* :no */ A from T\r\n", {}},
        {"a colon in a line comment", "select A from T -- :no\r\nwhere A = :B\r\n",
         "select A from T -- :no\r\nwhere A = ?\r\n", {"B"}},
        {"a quote in a line comment opens no string", "select A from T -- it's\r\nwhere A = :B\r\n",
         "select A from T -- it's\r\nwhere A = ?\r\n", {"B"}},
        {"a comment opener in a line comment opens no comment", "select A -- /*\r\nfrom T where A = :B\r\n",
         "select A -- /*\r\nfrom T where A = ?\r\n", {"B"}},
        {"a carriage return ends a line comment", "select A from T -- :no\rwhere A = :B",
         "select A from T -- :no\rwhere A = ?", {"B"}},
        {"a line comment at the very end", "select A from T -- :no", "select A from T -- :no", {}},
        {"a single hyphen is no comment", "select A - :B from T\r\n", "select A - ? from T\r\n", {"B"}},
        {"a string right after a name", "select A from T where A = :B':no'\r\n",
         "select A from T where A = ?':no'\r\n", {"B"}},
        {"a quoted identifier right after a name", "select A from T where A = :B\":no\"\r\n",
         "select A from T where A = ?\":no\"\r\n", {"B"}},
        {"a block comment right after a name", "select A from T where A = :B/* :no */\r\n",
         "select A from T where A = ?/* :no */\r\n", {"B"}},
        {"a line comment right after a name", "select A from T where A = :B-- :no\r\n",
         "select A from T where A = ?-- :no\r\n", {"B"}},
        {"a comment right after a quoted name", "select A from T where A = :\"B\"/* :no */\r\n",
         "select A from T where A = ?/* :no */\r\n", {"B"}},
        {"a marker right after a name", "select A from T where A = :B:C\r\n", "select A from T where A = ??\r\n",
         {"B", "C"}},
        {"alternative quoting with braces", "select q'{it's :no}' from T where A = :B\r\n",
         "select q'{it's :no}' from T where A = ?\r\n", {"B"}},
        {"alternative quoting with its own delimiter", "select Q'!:no '!' from T where A = :B\r\n",
         "select Q'!:no '!' from T where A = ?\r\n", {"B"}},
        {"a q that ends a name starts no alternative quoting", "select AQ':no' from T\r\n",
         "select AQ':no' from T\r\n", {}},
        {"a question mark followed by a name", "select ?A from T\r\n", "select ? from T\r\n", {"A"}},
        {"a name used twice gives two entries", "select A from T where A = :P or B = :P\r\n",
         "select A from T where A = ? or B = ?\r\n", {"P", "P"}},
        {"a quoted name", "select A from T where A = :\"my name\"\r\n", "select A from T where A = ?\r\n",
         {"my name"}},
        {"name characters include digits, _ and $", "values (:A_1$x)\r\n", "values (?)\r\n", {"A_1$x"}},
    };
    for (const TConversionCase& c : cases) {
        const TIBSQL::TConvertedSQL out = TIBSQL::ConvertNamedParams(c.text, false);
        EXPECT_EQ(out.Text, c.expected) << c.what;
        EXPECT_EQ(out.Names, c.names) << c.what;
    }
}

struct TParseErrorCase {
    const char* what;
    QString text;
    QString detail;
};

TEST(NamedParameters, ParseErrors)
{
    const TParseErrorCase cases[] = {
        {"a bare question mark", "select A from T where A = ? \r\n", "Parameter name expected"},
        {"a colon followed by a blank", "select A from T where A = : B\r\n", "Parameter name expected"},
        {"an unclosed string", "select 'abc from T\r\n", "EOF in string detected"},
        {"an unclosed quoted identifier", "select \"abc from T\r\n", "EOF in string detected"},
        {"an unclosed comment", "select /* A from T\r\n", "EOF in comment detected"},
        {"an unclosed alternative quoting", "select q'{A from T}\r\n", "EOF in string detected"},
    };
    for (const TParseErrorCase& c : cases) {
        try {
            TIBSQL::ConvertNamedParams(c.text, false);
            ADD_FAILURE() << c.what << ": converted";
        } catch (const EIBClientError& e) {
            EXPECT_EQ(e.SQLCode(), ceSQLParseError) << c.what;
            EXPECT_EQ(e.Message(), QStringLiteral("SQL Parse Error:\r\n\r\n") + c.detail) << c.what;
        }
    }
}

TEST(NamedParameters, GeneratedNamesForMarkersWithoutName)
{
    const TIBSQL::TConvertedSQL out =
        TIBSQL::ConvertNamedParams(QStringLiteral("select A from T where A = ? and B = : C\r\n"), true);
    EXPECT_EQ(out.Text, QStringLiteral("select A from T where A = ? and B = ? C\r\n"));
    ASSERT_EQ(out.Names.size(), 2);
    EXPECT_TRUE(out.Names.at(0).endsWith(u'0'));
    EXPECT_TRUE(out.Names.at(1).endsWith(u'1'));
    EXPECT_NE(out.Names.at(0), out.Names.at(1));
    // The character after a marker without a name is read as text again: a
    // quote there opens a string whose colons are no markers.
    const TIBSQL::TConvertedSQL quoted =
        TIBSQL::ConvertNamedParams(QStringLiteral("select A from T where A = ?':no'\r\n"), true);
    EXPECT_EQ(quoted.Text, QStringLiteral("select A from T where A = ?':no'\r\n"));
    EXPECT_EQ(quoted.Names.size(), 1);
}

struct TNormalizeCase {
    int dialect;
    QString name;
    QString expected;
};

TEST(NamedParameters, NormalizingIdentifiers)
{
    const TNormalizeCase cases[] = {
        {1, "old_autoid", "OLD_AUTOID"},
        {1, "  Extfile \t", "EXTFILE"},
        {1, "\"Mixed\"", "\"MIXED\""},
        {3, "\"Mixed\"", "Mixed"},
        {3, "\"say \"\"hi\"\"\"", "say \"hi\""},
        {3, "plain", "PLAIN"},
    };
    for (const TNormalizeCase& c : cases)
        EXPECT_EQ(TIBSQL::NormalizeIdentifier(c.dialect, c.name), c.expected)
            << "dialect " << c.dialect << ": " << c.name.toStdString();
}

} // namespace
