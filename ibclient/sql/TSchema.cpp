#include "ibclient/sql/TSchema.h"

#include "ibclient/sql/TIBDatabase.h"
#include "ibclient/sql/TIBSQL.h"
#include "ibclient/sql/TIBTransaction.h"
#include "ibclient/sql/TIBXSQLDA.h"
#include "ibclient/sql/TIBXSQLVAR.h"

#include <QLocale>

const char* const TSchema::kColumnQuery =
    "Select F.RDB$COMPUTED_BLR, F.RDB$DEFAULT_VALUE, R.RDB$DEFAULT_VALUE, R.RDB$FIELD_NAME "
    "from RDB$RELATION_FIELDS R, RDB$FIELDS F "
    "where R.RDB$RELATION_NAME = :RELATION and R.RDB$FIELD_SOURCE = F.RDB$FIELD_NAME and "
    "((not F.RDB$COMPUTED_BLR is NULL) or      "
    "(not (F.RDB$DEFAULT_VALUE is NULL and R.RDB$DEFAULT_VALUE is NULL))) ";

const char* const TSchema::kPrimaryKeyQuery =
    "SELECT RDB$FIELD_NAME, RDB$FIELD_POSITION FROM RDB$RELATION_CONSTRAINTS RR JOIN RDB$INDEX_SEGMENTS RI ON      "
    "RR.RDB$INDEX_NAME = RI.RDB$INDEX_NAME WHERE RDB$RELATION_NAME = :relation_name AND       "
    "RDB$CONSTRAINT_TYPE = 'PRIMARY KEY ' ORDER BY RDB$FIELD_POSITION ";

namespace {

// Names from the system tables are padded with blanks.
QString TrimRight(const QString& text)
{
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1).unicode() <= 32)
        --n;
    return text.left(n);
}

bool SameIgnoringCase(const QString& a, const QString& b)
{
    const QLocale locale = QLocale::system();
    return QString::localeAwareCompare(locale.toLower(a), locale.toLower(b)) == 0;
}

} // namespace

std::unique_ptr<TIBSchema> CreateSchema(TIBDatabase* ADatabase)
{
    return std::make_unique<TSchema>(ADatabase);
}

TSchema::TSchema(TIBDatabase* ADatabase) : FDatabase(ADatabase)
{
    FQuery = new TIBSQL(ADatabase);
    FQuery->SetTransaction(ADatabase->InternalTransaction());
    FQuery->SetSQLText(QLatin1String(kColumnQuery));
    FPQuery = new TIBSQL(ADatabase);
    FPQuery->SetTransaction(ADatabase->InternalTransaction());
    FPQuery->SetSQLText(QLatin1String(kPrimaryKeyQuery));
}

TSchema::~TSchema()
{
    FreeNodes();
    delete FPQuery;
    delete FQuery;
}

void TSchema::FreeNodes()
{
    while (!FRelations.empty()) {
        std::vector<std::unique_ptr<TFieldNode>>& columns = FRelations.back().Columns;
        while (!columns.empty())
            columns.pop_back();
        FRelations.pop_back();
    }
}

int TSchema::IndexOf(const std::vector<std::unique_ptr<TFieldNode>>& columns, const QString& name)
{
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (SameIgnoringCase(columns[i]->FieldName, name))
            return static_cast<int>(i);
    return -1;
}

bool TSchema::Has_DEFAULT_VALUE(const QString& Relation, const QString& Field)
{
    const TFieldNode* node = FindNode(Relation, Field);
    return node && node->DEFAULT_VALUE;
}

bool TSchema::Has_COMPUTED_BLR(const QString& Relation, const QString& Field)
{
    const TFieldNode* node = FindNode(Relation, Field);
    return node && node->COMPUTED_BLR;
}

bool TSchema::In_Key(const QString& Relation, const QString& Field)
{
    const TFieldNode* node = FindNode(Relation, Field);
    return node && node->In_Key;
}

const TFieldNode* TSchema::FindNode(const QString& Relation, const QString& Field)
{
    for (const TRelation& relation : FRelations)
        if (SameIgnoringCase(relation.Name, Relation)) {
            const int index = IndexOf(relation.Columns, Field);
            return index < 0 ? nullptr : relation.Columns[static_cast<std::size_t>(index)].get();
        }
    return Load(Relation, Field);
}

const TFieldNode* TSchema::Load(const QString& Relation, const QString& Field)
{
    FRelations.push_back(TRelation{Relation, {}});
    const std::size_t slot = FRelations.size() - 1;
    TIBTransaction* internal = FDatabase->InternalTransaction();
    const bool started = !internal->InTransaction();
    const TFieldNode* answer = nullptr;
    try {
        if (started)
            internal->StartTransaction();
        std::vector<std::unique_ptr<TFieldNode>>& columns = FRelations[slot].Columns;

        FQuery->Params()->Vars(0)->SetAsString(Relation);
        FQuery->ExecQuery();
        while (!FQuery->Eof()) {
            TIBXSQLDA* row = FQuery->Current();
            auto node = std::make_unique<TFieldNode>();
            node->FieldName = TrimRight(row->Vars(3)->AsString());
            node->COMPUTED_BLR = !row->Vars(0)->IsNull();
            node->DEFAULT_VALUE = !row->Vars(1)->IsNull() || !row->Vars(2)->IsNull();
            if (node->FieldName == Field)
                answer = node.get();
            columns.push_back(std::move(node));
            FQuery->Next();
        }
        FQuery->Close();

        FPQuery->Params()->Vars(0)->SetAsString(Relation);
        FPQuery->ExecQuery();
        while (!FPQuery->Eof()) {
            const QString name = TrimRight(FPQuery->Current()->Vars(0)->AsString());
            const int index = IndexOf(columns, name);
            if (index < 0) {
                auto node = std::make_unique<TFieldNode>();
                node->FieldName = name;
                node->In_Key = true;
                if (name == Field)
                    answer = node.get();
                columns.push_back(std::move(node));
            } else {
                columns[static_cast<std::size_t>(index)]->In_Key = true;
            }
            FPQuery->Next();
        }
        FPQuery->Close();

        if (started)
            internal->Commit();
    } catch (...) {
        // A load that fails leaves nothing behind: the table is asked about
        // again next time, and the transaction it started is ended.
        FRelations.erase(FRelations.begin() + static_cast<std::ptrdiff_t>(slot));
        try {
            if (FQuery->Open())
                FQuery->Close();
            if (FPQuery->Open())
                FPQuery->Close();
            if (started && internal->InTransaction())
                internal->Rollback();
        } catch (...) {
        }
        throw;
    }
    return answer;
}
