// Small helpers shared by the fuzz targets: turning the fuzzer's bytes into
// the texts a parser takes, and a check that stops the run with a message
// when an expectation fails (libFuzzer then keeps the input as a crash).
#pragma once

#include "ibclient/binding/EIBError.h"
#include "ibclient/base/Exception.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace fuzz {

// Stops the run: the message, and the input libFuzzer is running is saved.
[[noreturn]] inline void Fail(const char* what, const QString& detail = QString())
{
    std::fprintf(stderr, "fuzz check failed: %s\n%s\n", what, detail.toUtf8().constData());
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                                                   \
    do {                                                                                                \
        if (!(condition))                                                                               \
            ::fuzz::Fail(#condition, (detail));                                                         \
    } while (0)

// The bytes as UTF-8 text (what an operator types or a configuration holds;
// bytes that are not UTF-8 become U+FFFD).
inline QString Utf8(const std::uint8_t* data, std::size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// The bytes as UTF-16 code units, two bytes each, low byte first: reaches
// every code unit, lone surrogates included.
inline QString Utf16(const std::uint8_t* data, std::size_t size)
{
    QString text;
    text.reserve(static_cast<qsizetype>(size / 2));
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text.append(QChar(static_cast<char16_t>(data[i] | (data[i + 1] << 8))));
    return text;
}

// The text as lines, split at line feeds (a carriage return stays in its line).
inline QStringList Lines(const QString& text)
{
    return text.split(u'\n');
}

// Whether a client error carries one of the expected codes (its SQLCode is
// its number in the client-error table).
inline bool HasCode(const EIBClientError& e, std::initializer_list<int> codes)
{
    for (int code : codes)
        if (e.SQLCode() == code)
            return true;
    return false;
}

} // namespace fuzz
