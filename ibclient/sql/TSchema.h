// TSchema: the connection's cache of facts about table columns, read from the
// server's system tables with two fixed queries the first time a table is
// asked about, and kept per table until the database name changes.
//
// A table's column list holds only the columns that are computed, have a
// default (on the column or its domain) or belong to the primary key; every
// other column answers false to all three questions.
#pragma once

#include "ibclient/sql/TIBSchema.h"

#include <QString>

#include <memory>
#include <vector>

class TIBSQL;

// What is known of one column.
struct TFieldNode {
    QString FieldName;
    bool COMPUTED_BLR = false;
    bool DEFAULT_VALUE = false;
    bool In_Key = false;
};

class TSchema : public TIBSchema {
public:
    explicit TSchema(TIBDatabase* ADatabase);
    ~TSchema() override;

    void FreeNodes() override;
    bool Has_DEFAULT_VALUE(const QString& Relation, const QString& Field) override;
    bool Has_COMPUTED_BLR(const QString& Relation, const QString& Field) override;
    bool In_Key(const QString& Relation, const QString& Field) override;

    // Tables in the cache (for tests and diagnostics).
    int RelationCount() const { return static_cast<int>(FRelations.size()); }

    // The two queries, as they are sent.
    static const char* const kColumnQuery;
    static const char* const kPrimaryKeyQuery;

private:
    struct TRelation {
        QString Name;
        std::vector<std::unique_ptr<TFieldNode>> Columns;
    };

    const TFieldNode* FindNode(const QString& Relation, const QString& Field);
    const TFieldNode* Load(const QString& Relation, const QString& Field);
    static int IndexOf(const std::vector<std::unique_ptr<TFieldNode>>& columns, const QString& name);

    TIBDatabase* FDatabase;
    std::vector<TRelation> FRelations;
    TIBSQL* FQuery;
    TIBSQL* FPQuery;
};
