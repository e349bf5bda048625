// Fuzzes the transaction's parameter block built from lines (one per line
// feed of the input). Besides not crashing, a build must
// - fail only with the unknown-name, unsupported-name and value-too-long
//   client errors;
// - when it succeeds, give the version byte 3 followed by one item per
//   non-blank line: a single code byte, or for lock_read and lock_write the
//   code, a length byte and that many bytes; every code one of the accepted
//   parameters; nothing after the last item.
#include "FuzzSupport.h"

#include "ibclient/sql/TIBTransaction.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<int, 18> kAccepted = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 15, 17, 18, 19, 20, 21};
constexpr int kLockRead = 10;
constexpr int kLockWrite = 11;

bool IsBlank(const QString& line)
{
    return std::all_of(line.begin(), line.end(), [](QChar c) { return c.unicode() <= 32; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QStringList lines = fuzz::Lines(fuzz::Utf8(data, size));
    QByteArray tpb;
    try {
        tpb = TIBTransaction::BuildTPB(lines);
    } catch (const EIBClientError& e) {
        FUZZ_CHECK(fuzz::HasCode(e, {ceTpbConstantUnknown, ceTpbConstantUnsupported, ceParameterValueTooLong}),
                   e.Message());
        return 0;
    }

    const auto nonBlank = std::count_if(lines.begin(), lines.end(), [](const QString& l) { return !IsBlank(l); });
    FUZZ_CHECK(!tpb.isEmpty() && tpb.at(0) == 3, QString::fromLatin1(tpb.toHex()));
    qsizetype items = 0;
    qsizetype pos = 1;
    while (pos < tpb.size()) {
        const int code = static_cast<unsigned char>(tpb.at(pos));
        FUZZ_CHECK(std::find(kAccepted.begin(), kAccepted.end(), code) != kAccepted.end(), QString::number(code));
        ++pos;
        if (code == kLockRead || code == kLockWrite) {
            FUZZ_CHECK(pos < tpb.size(), QString::fromLatin1(tpb.toHex()));
            pos += 1 + static_cast<unsigned char>(tpb.at(pos));
            FUZZ_CHECK(pos <= tpb.size(), QString::fromLatin1(tpb.toHex()));
        }
        ++items;
    }
    FUZZ_CHECK(items == nonBlank, QString::fromLatin1(tpb.toHex()));
    return 0;
}
