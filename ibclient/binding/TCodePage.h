// TCodePage: converts text between the program's UTF-16 strings and the 8-bit
// bytes of a code page, by the code page numbers the connection uses.
//
// Code page 1252 (the connection's for character set NONE) is converted by
// our own table and is lossless both ways for every byte 0 to 255: the five
// bytes that 1252 leaves undefined (81, 8D, 8F, 90, 9D) map to the control
// characters of the same number and back, so a path read and written back
// reaches the database byte for byte. Code page 0 is the system's default
// (the locale's charset); 65001 is UTF-8; 28591 is Latin-1; the others go
// through iconv.
//
// A character that the code page cannot hold is refused with a client error
// naming it; nothing is ever replaced by "?".
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <memory>

class TCodePage {
public:
    explicit TCodePage(int codePage = 0);
    ~TCodePage();
    TCodePage(const TCodePage&) = delete;
    TCodePage& operator=(const TCodePage&) = delete;

    int CodePage() const { return FCodePage; }

    // Bytes to text. Bytes that the code page does not define decode to
    // U+FFFD (never for 1252 and Latin-1, which define every byte).
    QString Decode(const char* data, qsizetype size) const;
    QString Decode(const QByteArray& bytes) const { return Decode(bytes.constData(), bytes.size()); }
    // Bytes to text written straight into Out, at most Room characters;
    // answers the characters written. The same as Decode, without a string
    // in between (a row's text goes this way into the row cache).
    qsizetype DecodeInto(const char* data, qsizetype size, char16_t* Out, qsizetype Room) const;

    // Text to bytes; raises EIBClientError (ceCharacterNotInCodePage) for a
    // character the code page cannot hold.
    QByteArray Encode(QStringView text) const;

    // Text to bytes in the system's default code page (file names, parameter
    // blocks), and back. EncodeSystem refuses a lone surrogate as Encode does.
    static QByteArray EncodeSystem(QStringView text);
    static QString DecodeSystem(const char* data, qsizetype size);

private:
    struct TIconv;
    int FCodePage;
    std::unique_ptr<TIconv> FIconv; // for the code pages without a table of ours
};
