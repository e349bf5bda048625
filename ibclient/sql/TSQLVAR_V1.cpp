#include "ibclient/sql/TSQLVAR_V1.h"

#include <algorithm>
#include <cstring>

namespace {

// A counted name of an entry, cut to the room the entry has.
QByteArray CountedName(const char* text, short length, std::size_t room)
{
    const std::size_t n = std::min<std::size_t>(length > 0 ? static_cast<std::size_t>(length) : 0, room);
    return QByteArray(text, static_cast<qsizetype>(n));
}

} // namespace

void TSQLVAR_V1::SetXSqlVar(XSQLVAR* Entry)
{
    FXSQLVAR = Entry;
    FXSQLVAR->sqldata = FData.empty() ? nullptr : FData.data();
    FXSQLVAR->sqlind = FHasIndicator ? &FIndicator : nullptr;
}

int TSQLVAR_V1::SqlPrecision() const
{
    switch (SqlDef()) {
    case SQL_SHORT: return 4;
    case SQL_LONG: return 9;
    case SQL_INT64: return 18;
    default: return 0;
    }
}

QByteArray TSQLVAR_V1::SqlName() const
{
    return CountedName(FXSQLVAR->sqlname, FXSQLVAR->sqlname_length, sizeof FXSQLVAR->sqlname);
}

QByteArray TSQLVAR_V1::RelName() const
{
    return CountedName(FXSQLVAR->relname, FXSQLVAR->relname_length, sizeof FXSQLVAR->relname);
}

QByteArray TSQLVAR_V1::OwnName() const
{
    return CountedName(FXSQLVAR->ownname, FXSQLVAR->ownname_length, sizeof FXSQLVAR->ownname);
}

QByteArray TSQLVAR_V1::AliasName() const
{
    return CountedName(FXSQLVAR->aliasname, FXSQLVAR->aliasname_length, sizeof FXSQLVAR->aliasname);
}

void TSQLVAR_V1::SetAliasName(const QByteArray& Value)
{
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(Value.size()), sizeof FXSQLVAR->aliasname);
    std::memset(FXSQLVAR->aliasname, 0, sizeof FXSQLVAR->aliasname);
    std::memcpy(FXSQLVAR->aliasname, Value.constData(), n);
    FXSQLVAR->aliasname_length = static_cast<ISC_SHORT>(n);
}

void TSQLVAR_V1::SetDataSize(int OldSize, int NewSize)
{
    const std::size_t newSize = static_cast<std::size_t>(std::max(NewSize, 0));
    FData.resize(newSize);
    const std::size_t keep = static_cast<std::size_t>(std::clamp(OldSize, 0, NewSize));
    if (keep < newSize)
        std::memset(FData.data() + keep, 0, newSize - keep);
    FXSQLVAR->sqldata = FData.empty() ? nullptr : FData.data();
}

void TSQLVAR_V1::SetIndSize(int, int NewSize)
{
    FHasIndicator = NewSize > 0;
    FIndicator = 0;
    FXSQLVAR->sqlind = FHasIndicator ? &FIndicator : nullptr;
}
