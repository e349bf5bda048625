// TSQLVAR: the view of one XSQLVAR entry of a descriptor area, whatever the
// entry layout of the client library (only the version 1 layout,
// TSQLVAR_V1, is in use). It also owns the entry's data buffer and null
// indicator, to which the entry's sqldata and sqlind point.
#pragma once

#include <ibase.h>

#include <QByteArray>

class TSQLVAR {
public:
    virtual ~TSQLVAR() = default;

    virtual XSQLVAR* XSqlVar() const = 0;
    // Points the view at its entry again (the area's memory moved).
    virtual void SetXSqlVar(XSQLVAR* Entry) = 0;

    // The type code with its nullable bit.
    virtual short SqlType() const = 0;
    virtual void SetSqlType(short Value) = 0;
    // The type code without the nullable bit.
    short SqlDef() const { return static_cast<short>(SqlType() & ~1); }
    virtual short SqlScale() const = 0;
    virtual void SetSqlScale(short Value) = 0;
    virtual int SqlPrecision() const = 0;
    virtual short SqlSubtype() const = 0;
    virtual void SetSqlSubtype(short Value) = 0;
    virtual int SqlLen() const = 0;
    virtual void SetSqlLen(int Value) = 0;
    virtual char* SqlData() const = 0;
    virtual short* SqlInd() const = 0;
    virtual QByteArray SqlName() const = 0;
    virtual QByteArray RelName() const = 0;
    virtual QByteArray OwnName() const = 0;
    virtual QByteArray AliasName() const = 0;
    virtual void SetAliasName(const QByteArray& Value) = 0;

    // Bytes of the data buffer (sqldata), and of the indicator (0 or 2).
    virtual int DataSize() const = 0;
    // Resizes the data buffer to NewSize bytes (0 releases it), keeping the
    // bytes before OldSize and zeroing the rest.
    virtual void SetDataSize(int OldSize, int NewSize) = 0;
    virtual void SetIndSize(int OldSize, int NewSize) = 0;
};
