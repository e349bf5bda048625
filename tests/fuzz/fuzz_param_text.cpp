// Fuzzes writing text into statement parameters, the step between a field's
// text and the bytes sent to the server: a descriptor area laid out as the
// server describes the update's parameters (EXTFILE twice as VARCHAR(255),
// an INTEGER and a TIMESTAMP), on a connection with character set NONE
// (code page 1252), in dialect 1. Besides not crashing:
// - a path that is taken lands in both EXTFILE entries as exactly its 1252
//   bytes, never more than the 255 the column holds, and reads back as the
//   same text;
// - a path that is refused is too long or holds a character 1252 lacks;
// - an INTEGER entry takes any text (the server converts it), a TIMESTAMP
//   entry takes a date or fails with the conversion error.
#include "FuzzSupport.h"

#include "ibclient/binding/TCodePage.h"
#include "ibclient/sql/TIBDatabase.h"
#include "ibclient/sql/TIBSQL.h"
#include "ibclient/sql/TIBXSQLDA.h"
#include "ibclient/sql/TIBXSQLVAR.h"
#include "ibclient/sql/TSQLVAR.h"

#include <cstring>
#include <memory>

namespace {

constexpr int kPathLength = 255;

struct TEntry {
    const char* name;
    short type;
    int length;
};

const TEntry kEntries[] = {
    {"EXTFILE", SQL_VARYING | 1, kPathLength},
    {"EXTFILE", SQL_VARYING | 1, kPathLength},
    {"AUTOID", SQL_LONG | 1, 4},
    {"DATA", SQL_TIMESTAMP | 1, 8},
};

struct TStatement {
    TIBDatabase database{nullptr};
    TIBSQL query{nullptr};
    TStatement()
    {
        database.SetSQLDialect(1);
        query.SetDatabase(&database);
    }
};

// A fresh parameter area, as a describe leaves it.
std::unique_ptr<TIBXSQLDA> Parameters(TIBSQL* query)
{
    auto area = std::make_unique<TIBXSQLDA>(query);
    const int count = static_cast<int>(std::size(kEntries));
    area->SetCount(count);
    for (int i = 0; i < count; ++i) {
        XSQLVAR& entry = area->AsXSQLDA()->sqlvar[i];
        entry.sqltype = kEntries[i].type;
        entry.sqllen = static_cast<short>(kEntries[i].length);
        area->AddName(QLatin1String(kEntries[i].name), i);
    }
    area->PrepareBuffers();
    return area;
}

// Writes the text; answers the client error's code, or -1 when it was taken.
int Write(TIBXSQLVAR* var, const QString& text)
{
    try {
        var->SetAsString(text);
        return -1;
    } catch (const EIBClientError& e) {
        return e.SQLCode();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static TStatement statement;
    static const TCodePage cp1252(1252);
    const QString text = fuzz::Utf8(data, size);
    const std::unique_ptr<TIBXSQLDA> area = Parameters(&statement.query);

    const int path = Write(area->Vars(0), text);
    QByteArray expected;
    bool encodable = true;
    try {
        expected = cp1252.Encode(text);
    } catch (const EIBClientError&) {
        encodable = false;
    }
    if (path == -1) {
        FUZZ_CHECK(encodable && expected.size() <= kPathLength, text);
        for (int i : {0, 1}) {
            TSQLVAR* v = area->Vars(i)->Data();
            FUZZ_CHECK(v->SqlDef() == SQL_TEXT && v->SqlLen() == expected.size(), text);
            FUZZ_CHECK(std::memcmp(v->SqlData(), expected.constData(), static_cast<std::size_t>(expected.size())) == 0,
                       text);
        }
        FUZZ_CHECK(area->Vars(1)->AsString() == text, text);
    } else {
        FUZZ_CHECK(path == ceStringTooLarge || path == ceCharacterNotInCodePage, QString::number(path));
        FUZZ_CHECK(path != ceStringTooLarge || (encodable && expected.size() > kPathLength), text);
        FUZZ_CHECK(path != ceCharacterNotInCodePage || !encodable, text);
    }

    FUZZ_CHECK(Write(area->Vars(2), text) == -1, text);
    const int stamp = Write(area->Vars(3), text);
    FUZZ_CHECK(stamp == -1 || stamp == ceInvalidDataConversion, QString::number(stamp));
    area->Vars(3)->AsString();
    return 0;
}
