#include "ibclient/binding/TCodePage.h"

#include "ibclient/binding/EIBError.h"

#include <QStringDecoder>

#include <iconv.h>

#include <array>
#include <algorithm>
#include <cerrno>
#include <vector>

namespace {

// Bytes 80..9F of code page 1252. The five undefined ones keep their own
// number so that every byte survives a round trip.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The byte for a character of code page 1252, or -1.
int Cp1252Byte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (std::size_t i = 0; i < kCp1252High.size(); ++i)
        if (kCp1252High[i] == c)
            return static_cast<int>(0x80 + i);
    return -1;
}

const char* IconvName(int codePage)
{
    switch (codePage) {
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 437: return "CP437";
    case 850: return "CP850";
    case 852: return "CP852";
    case 857: return "CP857";
    case 860: return "CP860";
    case 861: return "CP861";
    case 863: return "CP863";
    case 865: return "CP865";
    case 932: return "CP932";
    case 949: return "CP949";
    case 20936: return "GB2312";
    case 52936: return "HZ-GB-2312";
    default: return nullptr;
    }
}

QString Describe(QStringView text, qsizetype at)
{
    char32_t code = text.at(at).unicode();
    qsizetype length = 1;
    if (text.at(at).isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate()) {
        code = QChar::surrogateToUcs4(text.at(at), text.at(at + 1));
        length = 2;
    }
    return QStringLiteral("\"%1\" (U+%2)")
        .arg(text.mid(at, length).toString(),
             QString::number(static_cast<uint>(code), 16).toUpper().rightJustified(4, u'0'));
}

[[noreturn]] void RaiseNotInCodePage(QStringView text, qsizetype at, int codePage)
{
    RaiseClientError(ceCharacterNotInCodePage, {Describe(text, at), codePage});
}

// UTF-8 bytes to text, keeping a byte order mark at the start as the
// character it is: the plain conversion drops it, and a text read and
// written back would lose its first three bytes.
QString DecodeUtf8(const char* data, qsizetype size)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(data, size));
}

// Refuses a lone surrogate: UTF-8 has no bytes for one, and the toolkit's
// encoder would put U+FFFD in its place.
void CheckSurrogates(QStringView text, int codePage)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            RaiseNotInCodePage(text, i, codePage);
    }
}

} // namespace

// One iconv descriptor per direction, opened on first use.
struct TCodePage::TIconv {
    explicit TIconv(const char* name) : Name(name) {}
    ~TIconv()
    {
        if (ToUnicode != reinterpret_cast<iconv_t>(-1))
            iconv_close(ToUnicode);
        if (FromUnicode != reinterpret_cast<iconv_t>(-1))
            iconv_close(FromUnicode);
    }
    const char* Name;
    iconv_t ToUnicode = reinterpret_cast<iconv_t>(-1);
    iconv_t FromUnicode = reinterpret_cast<iconv_t>(-1);
};

TCodePage::TCodePage(int codePage) : FCodePage(codePage)
{
    if (const char* name = IconvName(codePage))
        FIconv = std::make_unique<TIconv>(name);
}

TCodePage::~TCodePage() = default;

QString TCodePage::Decode(const char* data, qsizetype size) const
{
    switch (FCodePage) {
    case 0:
        return DecodeSystem(data, size);
    case 65001:
        return DecodeUtf8(data, size);
    case 28591:
    case 20127:
        return QString::fromLatin1(data, size);
    case 1252: {
        QString text(size, Qt::Uninitialized);
        QChar* out = text.data();
        for (qsizetype i = 0; i < size; ++i) {
            const auto b = static_cast<unsigned char>(data[i]);
            out[i] = QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b));
        }
        return text;
    }
    default:
        break;
    }
    if (!FIconv)
        RaiseClientError(ceCodePageUnavailable, {FCodePage});
    if (FIconv->ToUnicode == reinterpret_cast<iconv_t>(-1)) {
        FIconv->ToUnicode = iconv_open("UTF-16LE", FIconv->Name);
        if (FIconv->ToUnicode == reinterpret_cast<iconv_t>(-1))
            RaiseClientError(ceCodePageUnavailable, {FCodePage});
    }
    iconv(FIconv->ToUnicode, nullptr, nullptr, nullptr, nullptr);
    std::vector<char> out(static_cast<std::size_t>(size) * 4 + 4);
    char* in = const_cast<char*>(data);
    std::size_t inLeft = static_cast<std::size_t>(size);
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    QString text;
    while (inLeft > 0) {
        if (iconv(FIconv->ToUnicode, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1))
            break;
        // An undefined or cut byte sequence: mark it and go on with the next byte.
        text += QString::fromUtf16(reinterpret_cast<const char16_t*>(out.data()),
                                   static_cast<qsizetype>((outPtr - out.data()) / 2));
        text += QChar(QChar::ReplacementCharacter);
        outPtr = out.data();
        outLeft = out.size();
        ++in;
        --inLeft;
    }
    text += QString::fromUtf16(reinterpret_cast<const char16_t*>(out.data()),
                               static_cast<qsizetype>((outPtr - out.data()) / 2));
    return text;
}

qsizetype TCodePage::DecodeInto(const char* data, qsizetype size, char16_t* Out, qsizetype Room) const
{
    const qsizetype n = std::min(size, Room);
    if (FCodePage == 1252) {
        for (qsizetype i = 0; i < n; ++i) {
            const auto b = static_cast<unsigned char>(data[i]);
            Out[i] = b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b);
        }
        return n;
    }
    if (FCodePage == 28591 || FCodePage == 20127) {
        for (qsizetype i = 0; i < n; ++i)
            Out[i] = static_cast<unsigned char>(data[i]);
        return n;
    }
    const QString text = Decode(data, size);
    const qsizetype chars = std::min(text.size(), Room);
    std::copy(text.utf16(), text.utf16() + chars, Out);
    return chars;
}

QByteArray TCodePage::Encode(QStringView text) const
{
    switch (FCodePage) {
    case 0:
        return EncodeSystem(text);
    case 65001:
        CheckSurrogates(text, FCodePage);
        return text.toUtf8();
    case 28591:
    case 20127: {
        const char16_t limit = FCodePage == 20127 ? 0x80 : 0x100;
        QByteArray bytes(text.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text.at(i).unicode();
            if (c >= limit)
                RaiseNotInCodePage(text, i, FCodePage);
            bytes[i] = static_cast<char>(c);
        }
        return bytes;
    }
    case 1252: {
        QByteArray bytes(text.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const int b = Cp1252Byte(text.at(i).unicode());
            if (b < 0)
                RaiseNotInCodePage(text, i, FCodePage);
            bytes[i] = static_cast<char>(b);
        }
        return bytes;
    }
    default:
        break;
    }
    if (!FIconv)
        RaiseClientError(ceCodePageUnavailable, {FCodePage});
    if (FIconv->FromUnicode == reinterpret_cast<iconv_t>(-1)) {
        FIconv->FromUnicode = iconv_open(FIconv->Name, "UTF-16LE");
        if (FIconv->FromUnicode == reinterpret_cast<iconv_t>(-1))
            RaiseClientError(ceCodePageUnavailable, {FCodePage});
    }
    iconv(FIconv->FromUnicode, nullptr, nullptr, nullptr, nullptr);
    std::vector<char16_t> units(static_cast<std::size_t>(text.size()));
    std::copy(text.utf16(), text.utf16() + text.size(), units.begin());
    char* in = reinterpret_cast<char*>(units.data());
    std::size_t inLeft = units.size() * 2;
    QByteArray bytes(text.size() * 4 + 8, Qt::Uninitialized);
    char* outPtr = bytes.data();
    std::size_t outLeft = static_cast<std::size_t>(bytes.size());
    if (iconv(FIconv->FromUnicode, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
        const qsizetype at = static_cast<qsizetype>((in - reinterpret_cast<char*>(units.data())) / 2);
        RaiseNotInCodePage(text, at < text.size() ? at : text.size() - 1, FCodePage);
    }
    bytes.truncate(outPtr - bytes.data());
    return bytes;
}

QByteArray TCodePage::EncodeSystem(QStringView text)
{
    // The system's 8-bit text is UTF-8 under this toolkit; a file name or a
    // parameter must not silently become another one.
    CheckSurrogates(text, 0);
    return text.toLocal8Bit();
}

QString TCodePage::DecodeSystem(const char* data, qsizetype size)
{
    return DecodeUtf8(data, size);
}
