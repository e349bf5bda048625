// Inputs the fuzzers under tests/fuzz found mishandled, kept as ordinary
// cases: a negated smallest hexadecimal number that does not fit, format
// patterns given infinities and NaN, a byte order mark at the start of UTF-8
// text, and a lone surrogate in text for the system's code page (file names
// and parameter blocks).
#include "ibclient/binding/EIBError.h"
#include "ibclient/binding/TCodePage.h"
#include "ibclient/sql/TIBDatabase.h"
#include "ibclient/base/TNumberFormat.h"
#include "MemoryDataSet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(ParserRegressions, ANegatedHexadecimalNumberMustFitAfterNegation)
{
    struct Case {
        const char* text;
        int bits;
        std::optional<std::int64_t> value;
    };
    const Case cases[] = {
        {"-$8000", 16, std::nullopt}, // its bit pattern is -32768; negated, 32768 does not fit
        {"-$7FFF", 16, -32767},
        {"-$FFFF", 16, 1},
        {"-$80000000", 32, std::nullopt},
        {"-0x7FFFFFFF", 32, -2147483647},
        {"-$8000000000000000", 64, std::nullopt},
        {"-$7FFFFFFFFFFFFFFF", 64, -std::numeric_limits<std::int64_t>::max()},
        {"-9223372036854775808", 64, std::numeric_limits<std::int64_t>::min()}, // decimal: the smallest value itself
    };
    for (const Case& c : cases)
        EXPECT_EQ(TNumberFormat::ParseInteger(QString::fromLatin1(c.text), c.bits), c.value) << c.text;
}

TEST(ParserRegressions, AFieldRefusesANegatedSmallestHexadecimalNumber)
{
    TComponent owner(nullptr);
    auto* dataSet = new TMemoryDataSet(&owner, {{QStringLiteral("AUTOID"), ftInteger}, {QStringLiteral("BIG"), ftLargeint}});
    dataSet->AddRow({1, qlonglong{2}});
    dataSet->Open();
    dataSet->Edit();
    // A largeint field has no range of its own: it stored -2^63 for +2^63.
    TField* big = dataSet->FieldByName(QStringLiteral("BIG"));
    EXPECT_THROW(big->SetAsString(QStringLiteral("-$8000000000000000")), EConvertError);
    EXPECT_EQ(big->AsString(), QStringLiteral("2"));
    TField* id = dataSet->FieldByName(QStringLiteral("AUTOID"));
    try {
        id->SetAsString(QStringLiteral("-$80000000"));
        ADD_FAILURE() << "taken";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'-$80000000' is not a valid integer value for field 'AUTOID'"));
    }
}

TEST(ParserRegressions, PatternsFormatInfinitiesAndNaNByTheGeneralForm)
{
    const double inf = std::numeric_limits<double>::infinity();
    for (const char* pattern : {"0.00E+00", "#,##0.00", "0.###e-0;(0.0)"}) {
        EXPECT_EQ(TNumberFormat::FormatFloat(QLatin1String(pattern), inf), QStringLiteral("INF")) << pattern;
        EXPECT_EQ(TNumberFormat::FormatFloat(QLatin1String(pattern), -inf), QStringLiteral("-INF")) << pattern;
        EXPECT_EQ(TNumberFormat::FormatFloat(QLatin1String(pattern), std::nan("")), QStringLiteral("NAN")) << pattern;
    }
}

TEST(ParserRegressions, UTF8TextKeepsAByteOrderMarkAtItsStart)
{
    const QByteArray bytes("\xEF\xBB\xBF+\\immagini\\a.jpg");
    const QString expected = QChar(0xFEFF) + QStringLiteral("+\\immagini\\a.jpg");
    const TCodePage utf8(65001);
    EXPECT_EQ(utf8.Decode(bytes), expected);
    EXPECT_EQ(utf8.Encode(utf8.Decode(bytes)), bytes);
    EXPECT_EQ(TCodePage::DecodeSystem(bytes.constData(), bytes.size()), expected);
    EXPECT_EQ(TCodePage::EncodeSystem(expected), bytes);
}

TEST(ParserRegressions, TheSystemCodePageRefusesALoneSurrogate)
{
    const QString name = QStringLiteral("/tmp/Pazienti") + QChar(0xD800) + QStringLiteral(".fdb");
    try {
        TCodePage::EncodeSystem(name);
        ADD_FAILURE() << "encoded";
    } catch (const EIBClientError& e) {
        EXPECT_EQ(e.SQLCode(), ceCharacterNotInCodePage);
        EXPECT_TRUE(e.Message().contains(QStringLiteral("U+D800"))) << e.Message().toStdString();
    }
    const QString pair = QStringLiteral("a") + QChar(0xD83D) + QChar(0xDE00); // a character beyond 16 bits
    EXPECT_EQ(TCodePage::EncodeSystem(pair), pair.toUtf8());

    // Attaching stops before the client library is asked for another file's name.
    TIBDatabase database(nullptr);
    database.SetParams({QStringLiteral("user_name=sysdba"), QStringLiteral("password=quietloom")});
    database.SetLoginPrompt(false);
    database.SetDatabaseName(name);
    EXPECT_THROW(database.Open(), EIBClientError);
    EXPECT_FALSE(database.Connected());
    // So does a parameter-block value.
    database.SetParams({QStringLiteral("user_name=sys") + QChar(0xDC00)});
    database.SetDatabaseName(QStringLiteral("/tmp/none.fdb"));
    EXPECT_THROW(database.Open(), EIBClientError);
}

} // namespace
