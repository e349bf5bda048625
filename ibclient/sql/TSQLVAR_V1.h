// TSQLVAR_V1: TSQLVAR over a version 1 XSQLVAR entry (names of at most 31
// bytes). Its precision is derived from the type: 4 for SMALLINT, 9 for
// INTEGER, 18 for BIGINT, 0 otherwise.
#pragma once

#include "ibclient/sql/TSQLVAR.h"

#include <vector>

class TSQLVAR_V1 : public TSQLVAR {
public:
    explicit TSQLVAR_V1(XSQLVAR* Entry) : FXSQLVAR(Entry) {}
    TSQLVAR_V1(const TSQLVAR_V1&) = delete;
    TSQLVAR_V1& operator=(const TSQLVAR_V1&) = delete;

    XSQLVAR* XSqlVar() const override { return FXSQLVAR; }
    void SetXSqlVar(XSQLVAR* Entry) override;

    short SqlType() const override { return FXSQLVAR->sqltype; }
    void SetSqlType(short Value) override { FXSQLVAR->sqltype = Value; }
    short SqlScale() const override { return FXSQLVAR->sqlscale; }
    void SetSqlScale(short Value) override { FXSQLVAR->sqlscale = Value; }
    int SqlPrecision() const override;
    short SqlSubtype() const override { return FXSQLVAR->sqlsubtype; }
    void SetSqlSubtype(short Value) override { FXSQLVAR->sqlsubtype = Value; }
    int SqlLen() const override { return FXSQLVAR->sqllen; }
    void SetSqlLen(int Value) override { FXSQLVAR->sqllen = static_cast<ISC_SHORT>(Value); }
    char* SqlData() const override { return FXSQLVAR->sqldata; }
    short* SqlInd() const override { return FXSQLVAR->sqlind; }
    QByteArray SqlName() const override;
    QByteArray RelName() const override;
    QByteArray OwnName() const override;
    QByteArray AliasName() const override;
    void SetAliasName(const QByteArray& Value) override;

    int DataSize() const override { return static_cast<int>(FData.size()); }
    void SetDataSize(int OldSize, int NewSize) override;
    void SetIndSize(int OldSize, int NewSize) override;

private:
    XSQLVAR* FXSQLVAR;
    std::vector<char> FData;
    bool FHasIndicator = false;
    short FIndicator = 0;
};
