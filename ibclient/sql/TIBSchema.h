// TIBSchema: the schema cache's questions about table columns: whether a
// column is computed, has a default value, or belongs to the primary key.
// Each connection owns one (TSchema), created with the connection.
#pragma once

#include <QString>

#include <memory>

class TIBDatabase;

class TIBSchema {
public:
    virtual ~TIBSchema() = default;
    // Forgets every table.
    virtual void FreeNodes() = 0;
    virtual bool Has_DEFAULT_VALUE(const QString& Relation, const QString& Field) = 0;
    virtual bool Has_COMPUTED_BLR(const QString& Relation, const QString& Field) = 0;
    virtual bool In_Key(const QString& Relation, const QString& Field) = 0;
};

// The schema cache of a connection.
std::unique_ptr<TIBSchema> CreateSchema(TIBDatabase* ADatabase);
