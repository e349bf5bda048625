#include "ibclient/sql/TIBXSQLDA.h"

#include "ibclient/binding/EIBError.h"
#include "ibclient/sql/TIBSQL.h"
#include "ibclient/sql/TIBXSQLVAR.h"
#include "ibclient/sql/TSQLVAR.h"

#include <cstring>
#include <new>

TIBXSQLDA::TIBXSQLDA(TIBSQL* Query) : FSQL(Query) {}

TIBXSQLDA::~TIBXSQLDA() = default;

void TIBXSQLDA::SetCount(int Value)
{
    FNames.clear();
    FNamesakes.clear();
    FCount = Value;
    if (Value == 0) {
        FUniqueRelationName.clear();
        return;
    }
    if (Value > FSize) {
        const std::size_t oldBytes = FXSQLDA ? XSQLDA_LENGTH(FSize) : 0;
        const std::size_t newBytes = XSQLDA_LENGTH(Value);
        void* memory = std::realloc(FXSQLDA.get(), newBytes);
        if (!memory)
            throw std::bad_alloc();
        (void)FXSQLDA.release();
        FXSQLDA.reset(static_cast<XSQLDA*>(memory));
        std::memset(static_cast<char*>(memory) + oldBytes, 0, newBytes - oldBytes);
        FXSQLDA->version = SQLDA_VERSION1;
        // The memory may have moved: every entry's view points at it again.
        for (int i = 0; i < FSize; ++i)
            FXSQLVARs[static_cast<std::size_t>(i)]->Data()->SetXSqlVar(&FXSQLDA->sqlvar[i]);
        for (int i = FSize; i < Value; ++i) {
            FXSQLVARs.push_back(std::make_unique<TIBXSQLVAR>(this, FSQL, &FXSQLDA->sqlvar[i]));
            FXSQLVARs.back()->FIndex = i;
        }
        FSize = Value;
    }
    FXSQLDA->sqln = static_cast<ISC_SHORT>(Value);
    FXSQLDA->sqld = static_cast<ISC_SHORT>(Value);
}

TIBXSQLVAR* TIBXSQLDA::Vars(int Index) const
{
    if (Index < 0 || Index >= FCount)
        RaiseClientError(ceXSQLDAIndexOutOfRange);
    return FXSQLVARs[static_cast<std::size_t>(Index)].get();
}

int TIBXSQLDA::IndexOfName(const QString& Name) const
{
    const QString normalized = TIBSQL::NormalizeIdentifier(FSQL->SQLDialect(), Name);
    const int n = std::min(FCount, static_cast<int>(FNames.size()));
    for (int i = 0; i < n; ++i)
        if (FNames.at(i) == normalized)
            return i;
    return -1;
}

TIBXSQLVAR* TIBXSQLDA::FindByName(const QString& Name) const
{
    const int index = IndexOfName(Name);
    return index < 0 ? nullptr : FXSQLVARs[static_cast<std::size_t>(index)].get();
}

TIBXSQLVAR* TIBXSQLDA::ByName(const QString& Name) const
{
    TIBXSQLVAR* var = FindByName(Name);
    if (!var)
        RaiseClientError(ceFieldNotFound, {Name});
    return var;
}

void TIBXSQLDA::AddName(const QString& FieldName, int Idx)
{
    const QString name = TIBSQL::NormalizeIdentifier(FSQL->SQLDialect(), FieldName);
    while (FNames.size() <= Idx)
        FNames.append(QString());
    FNames[Idx] = name;
    FNamesakes.clear();
    TIBXSQLVAR* var = FXSQLVARs[static_cast<std::size_t>(Idx)].get();
    var->FName = name;
    var->FIndex = Idx;
}

const std::vector<int>& TIBXSQLDA::Namesakes(int Index) const
{
    if (FNamesakes.size() != static_cast<std::size_t>(FCount)) {
        FNamesakes.assign(static_cast<std::size_t>(FCount), {});
        for (int i = 0; i < FCount; ++i) {
            const QString& name = FXSQLVARs[static_cast<std::size_t>(i)]->Name();
            std::vector<int>& same = FNamesakes[static_cast<std::size_t>(i)];
            for (int j = 0; j < FCount; ++j)
                if (j == i || (!name.isEmpty() && FXSQLVARs[static_cast<std::size_t>(j)]->Name() == name))
                    same.push_back(j);
        }
    }
    return FNamesakes.at(static_cast<std::size_t>(Index));
}

bool TIBXSQLDA::Modified() const
{
    for (int i = 0; i < FCount; ++i)
        if (FXSQLVARs[static_cast<std::size_t>(i)]->Modified())
            return true;
    return false;
}

void TIBXSQLDA::PrepareBuffers()
{
    const bool nameFromAlias = FNames.isEmpty();
    bool tracking = true;
    FUniqueRelationName.clear();
    for (int i = 0; i < FCount; ++i) {
        TIBXSQLVAR* var = FXSQLVARs[static_cast<std::size_t>(i)].get();
        TSQLVAR* sqlvar = var->Data();

        const QString relation = QString::fromLocal8Bit(sqlvar->RelName());
        if (tracking && !relation.isEmpty()) {
            if (FUniqueRelationName.isEmpty())
                FUniqueRelationName = relation;
            else if (FUniqueRelationName != relation) {
                FUniqueRelationName.clear();
                tracking = false;
            }
        }

        if (nameFromAlias) {
            // Result columns are named by their alias; a column without one,
            // or with one an earlier column has, gets a number behind it.
            QByteArray base = sqlvar->AliasName();
            int counter = 0;
            QByteArray alias = base;
            if (base.isEmpty()) {
                base = "F_";
                counter = 1;
                alias = "F_1";
            }
            auto taken = [&](const QByteArray& candidate) {
                const QString normalized =
                    TIBSQL::NormalizeIdentifier(FSQL->SQLDialect(), QString::fromLocal8Bit(candidate));
                for (int j = 0; j < i; ++j)
                    if (FNames.value(j) == normalized)
                        return true;
                return false;
            };
            while (taken(alias)) {
                ++counter;
                const QByteArray digits = QByteArray::number(counter);
                if (alias.size() + digits.size() > 31)
                    base.truncate(31 - digits.size());
                alias = base + digits;
            }
            sqlvar->SetAliasName(alias);
            AddName(QString::fromLocal8Bit(alias), i);
        }

        const int type = sqlvar->SqlDef();
        var->FMaxLen = type == SQL_VARYING || type == SQL_TEXT ? static_cast<short>(sqlvar->SqlLen()) : short(0);
        int size = 0;
        switch (type) {
        case SQL_VARYING:
            size = sqlvar->SqlLen() + 2;
            break;
        case SQL_TEXT: case SQL_DOUBLE: case SQL_FLOAT: case SQL_LONG: case SQL_SHORT:
        case SQL_TIMESTAMP: case SQL_BLOB: case SQL_D_FLOAT: case SQL_ARRAY: case SQL_QUAD:
        case SQL_TYPE_TIME: case SQL_TYPE_DATE: case SQL_INT64: case SQL_BOOLEAN:
            size = sqlvar->SqlLen();
            break;
        default:
            RaiseClientError(ceUnknownSQLDataType, {type});
        }
        sqlvar->SetDataSize(0, size > 0 ? size : 1);
        sqlvar->SetIndSize(0, (sqlvar->SqlType() & 1) ? 2 : 0);
    }
}
