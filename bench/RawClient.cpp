// The raw baseline's binding, handle owners and hand-made conversions.
#include "bench/RawClient.h"

#include <dlfcn.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

template <class Fn>
void Bind(void* library, Fn& slot, const char* name)
{
    void* address = dlsym(library, name);
    if (!address)
        throw std::runtime_error(std::string("libfbclient.so.2 lacks ") + name);
    slot = reinterpret_cast<Fn>(address);
}

RawApi Load()
{
    // The same file the client layer opens; dlopen hands out the one copy.
    void* library = dlopen("libfbclient.so.2", RTLD_NOW);
    if (!library)
        throw std::runtime_error(std::string("cannot load libfbclient.so.2: ") + dlerror());
    RawApi api{};
    Bind(library, api.attach_database, "isc_attach_database");
    Bind(library, api.detach_database, "isc_detach_database");
    Bind(library, api.database_info, "isc_database_info");
    Bind(library, api.start_multiple, "isc_start_multiple");
    Bind(library, api.commit_transaction, "isc_commit_transaction");
    Bind(library, api.commit_retaining, "isc_commit_retaining");
    Bind(library, api.rollback_transaction, "isc_rollback_transaction");
    Bind(library, api.dsql_alloc_statement2, "isc_dsql_alloc_statement2");
    Bind(library, api.dsql_prepare, "isc_dsql_prepare");
    Bind(library, api.dsql_describe, "isc_dsql_describe");
    Bind(library, api.dsql_describe_bind, "isc_dsql_describe_bind");
    Bind(library, api.dsql_execute, "isc_dsql_execute");
    Bind(library, api.dsql_execute2, "isc_dsql_execute2");
    Bind(library, api.dsql_set_cursor_name, "isc_dsql_set_cursor_name");
    Bind(library, api.dsql_fetch, "isc_dsql_fetch");
    Bind(library, api.dsql_free_statement, "isc_dsql_free_statement");
    Bind(library, api.dsql_sql_info, "isc_dsql_sql_info");
    Bind(library, api.vax_integer, "isc_vax_integer");
    Bind(library, api.interpret, "fb_interpret");
    return api;
}

// Code page 1252: 0x80-0x9F are the only bytes that differ from Latin-1. The
// five it leaves undefined keep their own numbers, so no byte is lost.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::array<char16_t, 256> MakeCp1252()
{
    std::array<char16_t, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[static_cast<std::size_t>(i)] = static_cast<char16_t>(i);
    for (std::size_t i = 0; i < kCp1252High.size(); ++i)
        table[0x80 + i] = kCp1252High[i];
    return table;
}
constexpr std::array<char16_t, 256> kCp1252 = MakeCp1252();

} // namespace

const RawApi& RawApi::Get()
{
    static const RawApi api = Load();
    return api;
}

void RawStatus::Check(ISC_STATUS result, const char* what)
{
    if (result == 0)
        return;
    std::string message = what;
    char line[512];
    const ISC_STATUS* cursor = FVector;
    while (RawApi::Get().interpret(line, sizeof line, &cursor) > 0) {
        message += "\n  ";
        message += line;
    }
    throw std::runtime_error(message);
}

QByteArray RawProgramDPB()
{
    QByteArray dpb;
    dpb.append(char(isc_dpb_version1));
    const QByteArray user = "sysdba";
    const QByteArray password = "quietloom";
    dpb.append(char(isc_dpb_user_name)).append(char(user.size())).append(user);
    dpb.append(char(isc_dpb_password)).append(char(password.size())).append(password);
    return dpb;
}

QByteArray RawProgramTPB()
{
    QByteArray tpb;
    tpb.append(char(isc_tpb_version3));
    tpb.append(char(isc_tpb_read_committed));
    tpb.append(char(isc_tpb_rec_version));
    tpb.append(char(isc_tpb_nowait));
    return tpb;
}

// --- RawAttachment --------------------------------------------------------

RawAttachment::RawAttachment(const QString& databaseName)
{
    static const QByteArray dpb = RawProgramDPB();
    const QByteArray name = databaseName.toLocal8Bit();
    FStatus.Check(RawApi::Get().attach_database(&FStatus, static_cast<short>(name.size()), name.constData(), &FHandle,
                                                static_cast<short>(dpb.size()), dpb.constData()),
                  "isc_attach_database");
}

RawAttachment::~RawAttachment()
{
    if (FHandle)
        RawApi::Get().detach_database(&FStatus, &FHandle);
}

void RawAttachment::Detach()
{
    FStatus.Check(RawApi::Get().detach_database(&FStatus, &FHandle), "isc_detach_database");
}

int RawAttachment::QueryDialect()
{
    const char items[] = {isc_info_db_sql_dialect};
    char reply[64];
    FStatus.Check(RawApi::Get().database_info(&FStatus, &FHandle, 1, items, sizeof reply, reply), "isc_database_info");
    if (reply[0] != isc_info_db_sql_dialect)
        return 1;
    const auto length = static_cast<short>(RawApi::Get().vax_integer(reply + 1, 2));
    return static_cast<int>(RawApi::Get().vax_integer(reply + 3, length));
}

bool RawAttachment::ForcedWrites()
{
    const char items[] = {isc_info_forced_writes};
    char reply[64];
    FStatus.Check(RawApi::Get().database_info(&FStatus, &FHandle, 1, items, sizeof reply, reply), "isc_database_info");
    if (reply[0] != isc_info_forced_writes)
        throw std::runtime_error("no forced-writes answer from isc_database_info");
    const auto length = static_cast<short>(RawApi::Get().vax_integer(reply + 1, 2));
    return RawApi::Get().vax_integer(reply + 3, length) != 0;
}

// --- RawTransaction -------------------------------------------------------

RawTransaction::RawTransaction(RawAttachment& database)
{
    static const QByteArray tpb = RawProgramTPB();
    // The transaction existence block's one entry: database, TPB length, TPB.
    struct {
        isc_db_handle* database;
        ISC_LONG length;
        const char* tpb;
    } teb{database.Handle(), static_cast<ISC_LONG>(tpb.size()), tpb.constData()};
    FStatus.Check(RawApi::Get().start_multiple(&FStatus, &FHandle, 1, &teb), "isc_start_multiple");
}

RawTransaction::~RawTransaction()
{
    if (FHandle)
        RawApi::Get().rollback_transaction(&FStatus, &FHandle);
}

void RawTransaction::Commit()
{
    FStatus.Check(RawApi::Get().commit_transaction(&FStatus, &FHandle), "isc_commit_transaction");
}

void RawTransaction::CommitRetaining()
{
    FStatus.Check(RawApi::Get().commit_retaining(&FStatus, &FHandle), "isc_commit_retaining");
}

// --- RawSQLDA ---------------------------------------------------------------

void RawSQLDA::TFree::operator()(XSQLDA* p) const
{
    std::free(p);
}

RawSQLDA::RawSQLDA(int entries)
    : FArea(static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(entries))))
{
    if (!FArea)
        throw std::bad_alloc();
    FArea->version = SQLDA_VERSION1;
    FArea->sqln = static_cast<ISC_SHORT>(entries);
}

RawSQLDA::~RawSQLDA() = default;

void RawSQLDA::AllocateBuffers()
{
    FBuffers.clear();
    FIndicators.assign(static_cast<std::size_t>(FArea->sqld), 0);
    for (int i = 0; i < FArea->sqld; ++i) {
        XSQLVAR& var = FArea->sqlvar[i];
        std::size_t size = static_cast<std::size_t>(var.sqllen);
        if ((var.sqltype & ~1) == SQL_VARYING)
            size += 2;
        FBuffers.push_back(std::make_unique<std::byte[]>(size == 0 ? 1 : size));
        var.sqldata = reinterpret_cast<ISC_SCHAR*>(FBuffers.back().get());
        var.sqlind = &FIndicators[static_cast<std::size_t>(i)];
    }
}

// --- RawStatement -----------------------------------------------------------

RawStatement::RawStatement(RawAttachment& database, RawTransaction& transaction, const QByteArray& sql)
    : FTransaction(transaction.Handle()), FColumns(std::make_unique<RawSQLDA>(1))
{
    const RawApi& api = RawApi::Get();
    FStatus.Check(api.dsql_alloc_statement2(&FStatus, database.Handle(), &FHandle), "isc_dsql_alloc_statement2");
    FStatus.Check(api.dsql_prepare(&FStatus, FTransaction, &FHandle, 0, sql.constData(), kRawDialect, nullptr),
                  "isc_dsql_prepare");
    FStatus.Check(api.dsql_describe(&FStatus, &FHandle, kRawDialect, FColumns->Get()), "isc_dsql_describe");
    if (FColumns->NeedsRoom()) {
        FColumns = std::make_unique<RawSQLDA>(FColumns->Count());
        FStatus.Check(api.dsql_describe(&FStatus, &FHandle, kRawDialect, FColumns->Get()), "isc_dsql_describe");
    }
    FColumns->AllocateBuffers();

    auto params = std::make_unique<RawSQLDA>(1);
    FStatus.Check(api.dsql_describe_bind(&FStatus, &FHandle, kRawDialect, params->Get()), "isc_dsql_describe_bind");
    if (params->Count() > 0) {
        if (params->NeedsRoom()) {
            params = std::make_unique<RawSQLDA>(params->Count());
            FStatus.Check(api.dsql_describe_bind(&FStatus, &FHandle, kRawDialect, params->Get()),
                          "isc_dsql_describe_bind");
        }
        params->AllocateBuffers();
        FParams = std::move(params);
    }
}

RawStatement::~RawStatement()
{
    if (FHandle)
        RawApi::Get().dsql_free_statement(&FStatus, &FHandle, DSQL_drop);
}

void RawStatement::Open()
{
    const RawApi& api = RawApi::Get();
    FStatus.Check(api.dsql_execute2(&FStatus, FTransaction, &FHandle, kRawDialect, FParams ? FParams->Get() : nullptr,
                                    nullptr),
                  "isc_dsql_execute2");
    char cursor[] = "RAWCURSOR";
    FStatus.Check(api.dsql_set_cursor_name(&FStatus, &FHandle, cursor, 0), "isc_dsql_set_cursor_name");
}

bool RawStatement::Fetch()
{
    const ISC_STATUS result = RawApi::Get().dsql_fetch(&FStatus, &FHandle, kRawDialect, FColumns->Get());
    if (result == 100)
        return false;
    FStatus.Check(result, "isc_dsql_fetch");
    return true;
}

void RawStatement::CloseCursor()
{
    FStatus.Check(RawApi::Get().dsql_free_statement(&FStatus, &FHandle, DSQL_close), "isc_dsql_free_statement");
}

void RawStatement::Execute()
{
    FStatus.Check(RawApi::Get().dsql_execute(&FStatus, FTransaction, &FHandle, kRawDialect,
                                             FParams ? FParams->Get() : nullptr),
                  "isc_dsql_execute");
}

int RawStatement::RowsUpdated()
{
    const RawApi& api = RawApi::Get();
    const char items[] = {isc_info_sql_records};
    char reply[64];
    FStatus.Check(api.dsql_sql_info(&FStatus, &FHandle, 1, items, sizeof reply, reply), "isc_dsql_sql_info");
    if (reply[0] != isc_info_sql_records)
        return -1;
    // Clusters of item, 2-byte length, value, up to isc_info_end.
    const int total = static_cast<int>(api.vax_integer(reply + 1, 2));
    int at = 3;
    const int end = std::min<int>(3 + total, sizeof reply);
    while (at + 3 <= end && reply[at] != isc_info_end) {
        const int length = static_cast<int>(api.vax_integer(reply + at + 1, 2));
        if (reply[at] == isc_info_req_update_count && at + 3 + length <= end)
            return static_cast<int>(api.vax_integer(reply + at + 3, static_cast<short>(length)));
        at += 3 + length;
    }
    return -1;
}

// --- conversions ------------------------------------------------------------

QString RawText::FromInt(std::int32_t value)
{
    char16_t digits[12];
    int at = 12;
    // Work on the magnitude as unsigned so that the smallest value converts too.
    std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    do {
        digits[--at] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        digits[--at] = u'-';
    return QString(reinterpret_cast<const QChar*>(digits + at), 12 - at);
}

QString RawText::FromCp1252(const char* bytes, int length)
{
    QString text(length, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (int i = 0; i < length; ++i)
        out[i] = kCp1252[static_cast<unsigned char>(bytes[i])];
    return text;
}

bool RawValue::IsNull(const XSQLVAR& var)
{
    return (var.sqltype & 1) && *var.sqlind == -1;
}

std::int32_t RawValue::Long(const XSQLVAR& var)
{
    std::int32_t value;
    std::memcpy(&value, var.sqldata, sizeof value);
    return value;
}

const char* RawValue::VaryingBytes(const XSQLVAR& var, int* length)
{
    short stored;
    std::memcpy(&stored, var.sqldata, sizeof stored);
    *length = stored;
    return var.sqldata + 2;
}
