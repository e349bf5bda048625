// Fuzzes the fields' text conversions: the text is written with SetAsString
// into every field of a row in edit state of an in-memory record set
// (integer, smallint, largeint, float, BCD, date, time, date-time, text),
// under regional settings picked by the first byte. Besides not crashing:
// - a refused text fails with a conversion or database error, never with
//   anything else;
// - an accepted value's text is accepted again and reads back the same (the
//   edit text of a value is a text the operator can type back);
// - a path of at most the field's size reads back exactly (up to a NUL
//   character, where text ends), a longer one is refused when read.
#include "FuzzSupport.h"

#include "ibclient/base/TFormatSettings.h"
#include "ibclient/dataset/TDataSet.h"
#include "tests/ibclient/MemoryDataSet.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>

#include <array>

namespace {

constexpr int kPathSize = 40;

struct TRow {
    TComponent owner{nullptr};
    TMemoryDataSet* dataSet = new TMemoryDataSet(&owner, {
                                                             {QStringLiteral("AUTOID"), ftInteger},
                                                             {QStringLiteral("NUMERO"), ftSmallint},
                                                             {QStringLiteral("BIG"), ftLargeint},
                                                             {QStringLiteral("RATIO"), ftFloat},
                                                             {QStringLiteral("PRICE"), ftBCD, 4, false, 0, 9},
                                                             {QStringLiteral("DAY"), ftDate},
                                                             {QStringLiteral("HOUR"), ftTime},
                                                             {QStringLiteral("STAMP"), ftDateTime},
                                                             {QStringLiteral("EXTFILE"), ftWideString, kPathSize},
                                                         });
    TRow()
    {
        dataSet->AddRow({1, 2, qlonglong{3}, 0.5, qlonglong{12345}, QDate(2024, 4, 3), QTime(14, 5, 9),
                         QDateTime(QDate(2024, 4, 3), QTime(14, 5, 9)), QStringLiteral("+\\immagini\\a.jpg")});
        dataSet->Open();
        dataSet->Edit();
    }
};

const std::array<QLocale, 4>& Locales()
{
    static const std::array<QLocale, 4> locales = {QLocale::c(), QLocale(QLocale::Italian, QLocale::Italy),
                                                   QLocale(QLocale::German, QLocale::Germany),
                                                   QLocale(QLocale::English, QLocale::UnitedStates)};
    return locales;
}

// Writes the text; answers whether the field took it.
bool Store(TField* field, const QString& text)
{
    try {
        field->SetAsString(text);
        return true;
    } catch (const EConvertError&) {
    } catch (const EDatabaseError&) {
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static TRow row;
    if (size < 1)
        return 0;
    TFormatSettings::SetLocale(Locales()[data[0] % Locales().size()]);
    const QString text = fuzz::Utf8(data + 1, size - 1);

    for (int i = 0; i < row.dataSet->FieldCount(); ++i) {
        TField* field = row.dataSet->Fields().Fields(i);
        if (!Store(field, text))
            continue;
        if (field->DataType() == ftWideString) {
            const QString stored = text.left(text.indexOf(QChar(0)));
            if (stored.size() <= kPathSize) {
                FUZZ_CHECK(field->AsString() == stored && field->DisplayText() == stored,
                           field->FieldName() + QLatin1String(": ") + text);
            } else {
                // A text longer than the field is refused when it is read.
                try {
                    field->AsString();
                    FUZZ_CHECK(false, field->FieldName() + QLatin1String(" read an overlong text: ") + text);
                } catch (const EDatabaseError&) {
                }
            }
            continue;
        }
        field->DisplayText();
        const QString once = field->AsString();
        FUZZ_CHECK(Store(field, once), field->FieldName() + QLatin1String(": ") + text + QLatin1String(" -> ") + once);
        const QString twice = field->AsString();
        FUZZ_CHECK(twice == once, field->FieldName() + QLatin1String(": ") + text + QLatin1String(" -> ") + once + QLatin1String(" -> ") + twice);
    }
    return 0;
}
