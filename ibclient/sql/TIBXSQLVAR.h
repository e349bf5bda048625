// TIBXSQLVAR: one entry of a descriptor area, a result column of the current
// row or a parameter of a statement. Getters convert the raw value the client
// library left in the entry's buffer to what the caller asks for; setters
// write a value into every parameter entry that bears this entry's name,
// choosing the wire type from the value and letting the server convert.
//
// Text in entries is 8-bit, converted with the connection's code page.
#pragma once

#include "ibclient/base/TTimeStamp.h"

#include <ibase.h>

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>

class IGDSLibrary;
class TCodePage;
class TIBSQL;
class TIBXSQLDA;
class TSQLVAR;

class TIBXSQLVAR {
public:
    TIBXSQLVAR(TIBXSQLDA* Parent, TIBSQL* Query, XSQLVAR* Entry);
    ~TIBXSQLVAR();
    TIBXSQLVAR(const TIBXSQLVAR&) = delete;
    TIBXSQLVAR& operator=(const TIBXSQLVAR&) = delete;

    int Index() const { return FIndex; }
    const QString& Name() const { return FName; }
    bool Modified() const { return FModified; }
    // The entry's view; sqltype, sqllen and the buffers.
    TSQLVAR* Data() const { return FXSQLVAR.get(); }
    TSQLVAR* SqlVar() const { return FXSQLVAR.get(); }
    int Size() const;
    // The type code without the nullable bit.
    int SQLType() const;
    int MaxLen() const { return FMaxLen; }
    // Bytes per character of a text entry, from its character set.
    int CharSetSize() const;

    bool IsNull() const;
    void SetIsNull(bool Value);
    bool IsNullable() const;
    void SetIsNullable(bool Value);

    // --- getters (a null entry answers the type's zero value)
    QString AsString() const;
    QString AsTrimString() const;
    // The text of a VARCHAR or CHAR entry written straight into Out, at most
    // Room characters; answers the characters written (0 for null). Other
    // types go through AsString.
    int AsStringInto(char16_t* Out, int Room) const;
    short AsShort() const;
    int AsLong() const;
    int AsInteger() const { return AsLong(); }
    std::int64_t AsInt64() const;
    float AsFloat() const;
    double AsDouble() const;
    // Ten-thousandths.
    std::int64_t AsCurrency() const;
    TDateTime AsDateTime() const;
    TDateTime AsDate() const { return AsDateTime(); }
    TDateTime AsTime() const { return AsDateTime(); }
    ISC_QUAD AsQuad() const;
    bool AsBoolean() const;
    const char* AsPointer() const;
    QByteArray AsBytes() const;
    QVariant AsVariant() const;

    // --- setters (every entry bearing the name)
    void SetAsString(const QString& Value);
    void SetAsTrimString(const QString& Value);
    void SetAsShort(short Value);
    void SetAsLong(int Value);
    void SetAsInteger(int Value) { SetAsLong(Value); }
    void SetAsInt64(std::int64_t Value);
    void SetAsFloat(float Value);
    void SetAsDouble(double Value);
    void SetAsCurrency(std::int64_t Value);
    // A decimal given as its digits scaled to Places decimals.
    void SetAsBcd(std::int64_t ScaledValue, int Places);
    void SetAsDateTime(TDateTime Value);
    void SetAsDate(TDateTime Value);
    void SetAsTime(TDateTime Value);
    void SetAsQuad(const ISC_QUAD& Value);
    // Writes 1 or 0 into this entry's buffer only; type, length and null state stay.
    void SetAsBoolean(bool Value);

private:
    friend class TIBXSQLDA;

    // Calls fn(entry) for this entry and every other entry bearing its name, in position order.
    template <class Fn>
    void ForEachNamesake(Fn fn);
    // Sets type (keeping each entry's nullable bit), scale and length, with a
    // zero-filled buffer of that length; answers nothing, fn writes the value.
    template <class Fn>
    void Store(short Type, short Scale, int Length, Fn writeValue);
    void StoreBytes(const QByteArray& Bytes);
    // Clears the null indicator of every entry bearing the name.
    void SetNotNull();
    const TCodePage& Codec() const;
    int Dialect() const;
    // The stored integer of 496, 500 and 580 entries, unscaled.
    std::int64_t StoredInteger() const;
    QString BlobText() const;
    void SetBlobText(const QString& Value);
    TDateTime DecodeDateTime() const;

    TIBXSQLDA* FParent;
    TIBSQL* FSQL;
    int FIndex = 0;
    bool FModified = false;
    QString FName;
    std::unique_ptr<TSQLVAR> FXSQLVAR;
    short FMaxLen = 0;
    std::shared_ptr<IGDSLibrary> FGDSLibrary;
};
