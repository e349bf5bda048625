// TIBXSQLDA: one descriptor area of a statement, its parameters or its
// result columns. It owns the XSQLDA memory (which only grows), one
// TIBXSQLVAR per entry, and the entries' normalised names by position.
#pragma once

#include <ibase.h>

#include <QString>
#include <QStringList>

#include <cstdlib>
#include <memory>
#include <vector>

class TIBSQL;
class TIBXSQLVAR;

class TIBXSQLDA {
public:
    explicit TIBXSQLDA(TIBSQL* Query);
    ~TIBXSQLDA();
    TIBXSQLDA(const TIBXSQLDA&) = delete;
    TIBXSQLDA& operator=(const TIBXSQLDA&) = delete;

    // Entries in use.
    int Count() const { return FCount; }
    // Clears the names, sets the entries in use and grows the memory when
    // needed (header sqln and sqld follow, except for 0).
    void SetCount(int Value);
    // Entries allocated.
    int Size() const { return FSize; }

    // The XSQLDA handed to the client library; none until first sized.
    XSQLDA* AsXSQLDA() const { return FXSQLDA.get(); }

    // Entry by position; outside 0..Count-1 fails with "XSQLDA index out of range".
    TIBXSQLVAR* Vars(int Index) const;
    TIBXSQLVAR* operator[](int Index) const { return Vars(Index); }
    // By normalised name, first match by position; fails with
    // Field "%s" not found (the name as passed).
    TIBXSQLVAR* ByName(const QString& Name) const;
    // The same without failing: none when absent.
    TIBXSQLVAR* FindByName(const QString& Name) const;
    int IndexOfName(const QString& Name) const;

    // Normalises the name, pads the name list up to Idx and names the entry.
    void AddName(const QString& FieldName, int Idx);
    // The names as one text, one per line.
    QString Names() const { return FNames.join(u'\n'); }
    const QString& NameAt(int Index) const { return FNames.at(Index); }
    bool HasNames() const { return !FNames.isEmpty(); }

    // The positions of the entries bearing the same name as the entry at
    // Index (itself included), in position order; only itself when unnamed.
    const std::vector<int>& Namesakes(int Index) const;

    // The one relation all entries come from, or empty.
    const QString& UniqueRelationName() const { return FUniqueRelationName; }
    bool Modified() const;

    // After a describe: relation tracking, names from aliases (result
    // columns), maximum text lengths, data buffers and null indicators.
    void PrepareBuffers();

    TIBSQL* SQL() const { return FSQL; }

private:
    struct TFree {
        void operator()(XSQLDA* p) const { std::free(p); }
    };

    TIBSQL* FSQL;
    int FCount = 0;
    QStringList FNames;
    int FSize = 0;
    std::unique_ptr<XSQLDA, TFree> FXSQLDA;
    std::vector<std::unique_ptr<TIBXSQLVAR>> FXSQLVARs;
    QString FUniqueRelationName;
    // Worked out on first need after the names change.
    mutable std::vector<std::vector<int>> FNamesakes;
};
