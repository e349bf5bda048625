// Fuzzes the connection's parameter block built from name=value lines (one
// line per line feed of the input). Besides not crashing, a build must
// - fail only with the unknown-name, unsupported-name, value-too-long and
//   value-missing client errors or the integer conversion error;
// - when it succeeds, give the version byte 1 followed by items that each
//   read as code, length byte and that many bytes, ending exactly at the end
//   of the block, one item per line with a non-blank name, every code one
//   of the accepted parameters;
// - name the character set of the last lc_ctype line, if any.
#include "FuzzSupport.h"

#include "ibclient/sql/TIBDatabase.h"

#include <algorithm>
#include <array>

namespace {

// The codes of the parameters the block may carry.
constexpr std::array<int, 28> kAccepted = {5,  9,  10, 13, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26,
                                           27, 28, 29, 30, 33, 34, 36, 47, 48, 54, 60, 63, 75, 85};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QStringList lines = fuzz::Lines(fuzz::Utf8(data, size));
    QString characterSet = QStringLiteral("NONE");
    QByteArray dpb;
    try {
        dpb = TIBDatabase::BuildDPB(lines, &characterSet);
    } catch (const EIBClientError& e) {
        FUZZ_CHECK(fuzz::HasCode(e, {ceDpbConstantUnknown, ceDpbConstantUnsupported, ceParameterValueTooLong,
                                     ceParameterValueMissing}),
                   e.Message());
        return 0;
    } catch (const EConvertError&) {
        return 0;
    }

    int named = 0;
    QString lastCharacterSet = QStringLiteral("NONE");
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0 && !line.left(eq).trimmed().isEmpty()) {
            ++named;
            if (line.left(eq).toLower().endsWith(QLatin1String("lc_ctype")))
                lastCharacterSet = line.mid(eq + 1);
        }
    }

    FUZZ_CHECK(!dpb.isEmpty() && dpb.at(0) == 1, QString::fromLatin1(dpb.toHex()));
    int items = 0;
    qsizetype pos = 1;
    while (pos < dpb.size()) {
        const int code = static_cast<unsigned char>(dpb.at(pos));
        FUZZ_CHECK(std::find(kAccepted.begin(), kAccepted.end(), code) != kAccepted.end(), QString::number(code));
        FUZZ_CHECK(pos + 1 < dpb.size(), QString::fromLatin1(dpb.toHex()));
        const int length = static_cast<unsigned char>(dpb.at(pos + 1));
        pos += 2 + length;
        FUZZ_CHECK(pos <= dpb.size(), QString::fromLatin1(dpb.toHex()));
        ++items;
    }
    FUZZ_CHECK(items == named, QString::fromLatin1(dpb.toHex()));
    FUZZ_CHECK(characterSet == lastCharacterSet, characterSet);
    return 0;
}
