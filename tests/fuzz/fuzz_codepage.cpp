// Fuzzes the conversion between text and the bytes of a code page: 1252 (the
// connection's for character set NONE), UTF-8, the system's default (file
// names and parameter blocks) and 1250 (through iconv). The input is read
// both as UTF-16 code units (lone surrogates included) to encode and as bytes
// to decode. Besides not crashing:
// - 1252 is lossless for every byte: decoding and encoding again gives the
//   same bytes;
// - a text that encodes decodes back to the same text, in every code page:
//   nothing is replaced on the way;
// - an encoding that fails does so with the character-not-in-code-page error.
#include "FuzzSupport.h"

#include "ibclient/binding/TCodePage.h"

#include <QByteArray>

#include <optional>

namespace {

std::optional<QByteArray> Encode(const TCodePage& codePage, const QString& text)
{
    try {
        return codePage.Encode(text);
    } catch (const EIBClientError& e) {
        FUZZ_CHECK(fuzz::HasCode(e, {ceCharacterNotInCodePage}), e.Message());
        return std::nullopt;
    }
}

QString Hex(const QString& text)
{
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2).toHex(' '));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const TCodePage cp1252(1252), utf8(65001), system(0), cp1250(1250);
    const QString text = fuzz::Utf16(data, size);
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const QString decoded = cp1252.Decode(bytes);
    FUZZ_CHECK(decoded.size() == bytes.size(), QString::fromLatin1(bytes.toHex()));
    FUZZ_CHECK(Encode(cp1252, decoded) == bytes, QString::fromLatin1(bytes.toHex()));

    for (const TCodePage* codePage : {&cp1252, &utf8, &system, &cp1250}) {
        codePage->Decode(bytes);
        if (const std::optional<QByteArray> encoded = Encode(*codePage, text))
            FUZZ_CHECK(codePage->Decode(*encoded) == text,
                       QStringLiteral("code page %1: %2").arg(codePage->CodePage()).arg(Hex(text)));
    }
    return 0;
}
