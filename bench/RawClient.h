// The benchmarks' baseline: the client library used directly, with nothing of
// the client layer in between. Entry points are bound here with dlsym (the
// same library file the layer loads), and each handle or descriptor area has
// a small RAII owner so that a raw loop reads like the C calls it makes.
//
// The raw loops speak as the program does: dialect 1, the DPB of
// "user_name=sysdba" and the program's password, and the transaction
// parameter block 03 0F 11 07 (read committed, record versions, no wait).
#pragma once

#include <ibase.h>

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// One pointer per client function the raw loops call.
struct RawApi {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    decltype(&::isc_attach_database) attach_database;
    decltype(&::isc_detach_database) detach_database;
    decltype(&::isc_database_info) database_info;
    decltype(&::isc_start_multiple) start_multiple;
    decltype(&::isc_commit_transaction) commit_transaction;
    decltype(&::isc_commit_retaining) commit_retaining;
    decltype(&::isc_rollback_transaction) rollback_transaction;
    decltype(&::isc_dsql_alloc_statement2) dsql_alloc_statement2;
    decltype(&::isc_dsql_prepare) dsql_prepare;
    decltype(&::isc_dsql_describe) dsql_describe;
    decltype(&::isc_dsql_describe_bind) dsql_describe_bind;
    decltype(&::isc_dsql_execute) dsql_execute;
    decltype(&::isc_dsql_execute2) dsql_execute2;
    decltype(&::isc_dsql_set_cursor_name) dsql_set_cursor_name;
    decltype(&::isc_dsql_fetch) dsql_fetch;
    decltype(&::isc_dsql_free_statement) dsql_free_statement;
    decltype(&::isc_dsql_sql_info) dsql_sql_info;
    decltype(&::isc_vax_integer) vax_integer;
    decltype(&::fb_interpret) interpret;
#pragma GCC diagnostic pop

    // The process's binding, made on first use; a missing library or entry
    // point ends the benchmark with a message naming it.
    static const RawApi& Get();
};

// The raw loops' SQL dialect, the program's.
inline constexpr unsigned short kRawDialect = 1;

// A status vector and the check every raw call goes through: a failure
// throws std::runtime_error with the client library's text and the call's name.
class RawStatus {
public:
    ISC_STATUS* operator&() { return FVector; }
    ISC_STATUS* Vector() { return FVector; }
    void Check(ISC_STATUS result, const char* what);

private:
    ISC_STATUS FVector[ISC_STATUS_LENGTH] = {};
};

// The DPB of the program's Params (user_name=sysdba, password=...).
QByteArray RawProgramDPB();
// The TPB of the program's transaction: 03 0F 11 07.
QByteArray RawProgramTPB();

// One attachment; detached by the destructor when still attached.
class RawAttachment {
public:
    explicit RawAttachment(const QString& databaseName);
    ~RawAttachment();
    RawAttachment(const RawAttachment&) = delete;
    RawAttachment& operator=(const RawAttachment&) = delete;

    isc_db_handle* Handle() { return &FHandle; }
    // The database's SQL dialect, asked as the connection asks it.
    int QueryDialect();
    // Whether the database writes its pages through to the disk at once.
    bool ForcedWrites();
    void Detach();

private:
    RawStatus FStatus;
    isc_db_handle FHandle = 0;
};

// One transaction with the program's TPB; rolled back by the destructor when
// still active.
class RawTransaction {
public:
    explicit RawTransaction(RawAttachment& database);
    ~RawTransaction();
    RawTransaction(const RawTransaction&) = delete;
    RawTransaction& operator=(const RawTransaction&) = delete;

    isc_tr_handle* Handle() { return &FHandle; }
    void Commit();
    void CommitRetaining();

private:
    RawStatus FStatus;
    isc_tr_handle FHandle = 0;
};

// A descriptor area with a data buffer and a null indicator for every entry,
// laid out once after a describe.
class RawSQLDA {
public:
    explicit RawSQLDA(int entries);
    ~RawSQLDA();
    RawSQLDA(const RawSQLDA&) = delete;
    RawSQLDA& operator=(const RawSQLDA&) = delete;

    XSQLDA* Get() { return FArea.get(); }
    XSQLVAR& Var(int index) { return FArea->sqlvar[index]; }
    int Count() const { return FArea->sqld; }
    // Grows to the described count when the first describe had too little room.
    bool NeedsRoom() const { return FArea->sqld > FArea->sqln; }
    // Gives every described entry its buffers (data by type and length,
    // indicator always).
    void AllocateBuffers();

private:
    struct TFree {
        void operator()(XSQLDA* p) const;
    };
    std::unique_ptr<XSQLDA, TFree> FArea;
    std::vector<std::unique_ptr<std::byte[]>> FBuffers;
    std::vector<short> FIndicators;
};

// One prepared statement with its result and parameter areas; dropped by the
// destructor.
class RawStatement {
public:
    RawStatement(RawAttachment& database, RawTransaction& transaction, const QByteArray& sql);
    ~RawStatement();
    RawStatement(const RawStatement&) = delete;
    RawStatement& operator=(const RawStatement&) = delete;

    isc_stmt_handle* Handle() { return &FHandle; }
    RawSQLDA& Columns() { return *FColumns; }
    RawSQLDA* Params() { return FParams.get(); }

    // A select: execute, name the cursor (as the layer does), no row fetched yet.
    void Open();
    // One row into Columns(); false at the end of the data.
    bool Fetch();
    void CloseCursor();
    // Any other statement: one execution with the parameter area.
    void Execute();
    // The changed-row count of the last update, asked with isc_info_sql_records.
    int RowsUpdated();

private:
    RawStatus FStatus;
    isc_tr_handle* FTransaction;
    isc_stmt_handle FHandle = 0;
    std::unique_ptr<RawSQLDA> FColumns;
    std::unique_ptr<RawSQLDA> FParams;
};

// Text conversions done by hand, the least a raw loop must do to answer
// every column as text.
namespace RawText {
// A 32-bit integer as decimal text.
QString FromInt(std::int32_t value);
// Bytes of code page 1252 as UTF-16 text (every byte maps, none is lost).
QString FromCp1252(const char* bytes, int length);
} // namespace RawText

// Reads a result entry as the raw loops need it.
namespace RawValue {
bool IsNull(const XSQLVAR& var);
std::int32_t Long(const XSQLVAR& var);
// The bytes of a VARCHAR entry (its length word read natively).
const char* VaryingBytes(const XSQLVAR& var, int* length);
} // namespace RawValue
