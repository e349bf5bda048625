#include "ibclient/binding/TDynamicLibrary.h"

#include "ibclient/base/Exception.h"
#include "ibclient/binding/EIBError.h"

#include <dlfcn.h>

#include <cerrno>
#include <cstring>

namespace {

// Closes a library that was opened for a load that did not complete.
class TLibraryGuard {
public:
    explicit TLibraryGuard(void* handle) : FHandle(handle) {}
    ~TLibraryGuard()
    {
        if (FHandle)
            ::dlclose(FHandle);
    }
    TLibraryGuard(const TLibraryGuard&) = delete;
    TLibraryGuard& operator=(const TLibraryGuard&) = delete;
    void* Release()
    {
        void* handle = FHandle;
        FHandle = nullptr;
        return handle;
    }

private:
    void* FHandle;
};

std::atomic<TClientCallObserver*> g_observer{nullptr};

} // namespace

void SetClientCallObserver(TClientCallObserver* observer)
{
    g_observer.store(observer, std::memory_order_relaxed);
}

TClientCallObserver* ClientCallObserver()
{
    return g_observer.load(std::memory_order_relaxed);
}

std::shared_ptr<IGDSLibrary> SharedClientLibrary()
{
    static const std::shared_ptr<IGDSLibrary> library = std::make_shared<TDynamicLibrary>();
    return library;
}

TDynamicLibrary::TDynamicLibrary(const QByteArray& fileName) : FFileName(fileName) {}

// The library stays loaded until the process ends: the client library keeps
// threads and exit handlers of its own, which must not lose their code.
TDynamicLibrary::~TDynamicLibrary() = default;

template <class Entry>
bool TDynamicLibrary::TryBind(void* handle, Entry& entry)
{
    void* symbol = ::dlsym(handle, entry.Name());
    if (!symbol)
        return false;
    typename Entry::Function function;
    static_assert(sizeof function == sizeof symbol);
    std::memcpy(&function, &symbol, sizeof function);
    entry.Bind(function);
    return true;
}

template <class Entry>
void TDynamicLibrary::Bind(void* handle, Entry& entry)
{
    ::dlerror();
    if (TryBind(handle, entry))
        return;
    // dlsym leaves no error number; ENOSYS says what happened: the function is not there.
    const char* reason = ::dlerror();
    const QString text = reason ? QString::fromLocal8Bit(reason)
                                : QStringLiteral("%1: undefined symbol %2")
                                      .arg(QString::fromLocal8Bit(FFileName), QLatin1String(entry.Name()));
    throw EOSError(QStringLiteral("System Error.  Code: %1.\r\n%2").arg(ENOSYS).arg(text), ENOSYS);
}

void TDynamicLibrary::ResetEntries()
{
    // Every slot forgets its address, so that nothing points into a library
    // that is no longer loaded.
    auto reset = [](auto&... entries) { (entries.SetSubstitute(TSubstitute::Unbound), ...); };
    reset(isc_attach_database, isc_array_gen_sdl2, isc_array_gen_sdl, isc_array_get_slice, isc_array_get_slice2,
          isc_array_lookup_bounds, isc_array_lookup_bounds2, isc_array_lookup_desc, isc_array_lookup_desc2,
          isc_array_set_desc, isc_array_set_desc2, isc_array_put_slice, isc_array_put_slice2, isc_blob_default_desc,
          isc_blob_default_desc2, isc_blob_gen_bpb, isc_blob_gen_bpb2, isc_blob_info, isc_blob_lookup_desc,
          isc_blob_lookup_desc2, isc_blob_set_desc, isc_blob_set_desc2, isc_cancel_blob, isc_cancel_events,
          isc_close_blob, isc_commit_retaining, isc_commit_transaction, isc_create_blob2, isc_database_info,
          isc_decode_date, isc_decode_sql_date, isc_decode_sql_time, isc_decode_timestamp, isc_detach_database,
          isc_drop_database, isc_dsql_alloc_statement2, isc_dsql_describe, isc_dsql_describe_bind,
          isc_dsql_execute, isc_dsql_execute2, isc_dsql_execute_immediate, isc_dsql_fetch,
          isc_dsql_free_statement, isc_dsql_prepare, isc_dsql_set_cursor_name, isc_dsql_sql_info,
          isc_encode_date, isc_encode_sql_date, isc_encode_sql_time, isc_encode_timestamp, isc_event_block,
          isc_event_counts, isc_free, isc_get_segment, isc_interprete, isc_open_blob2, isc_prepare_transaction2,
          isc_put_segment, isc_que_events, isc_release_savepoint, isc_rollback_retaining,
          isc_rollback_savepoint, isc_rollback_transaction, isc_start_multiple, isc_start_savepoint, isc_sqlcode,
          isc_sql_interprete, isc_vax_integer, isc_dsql_batch_execute_immed, isc_dsql_batch_execute,
          isc_add_user, isc_delete_user, isc_modify_user, isc_prepare_transaction, BLOB_put, BLOB_get,
          isc_service_attach, isc_service_detach, isc_service_query, isc_service_start, isc_get_client_version,
          isc_get_client_major_version, isc_get_client_minor_version, isc_transaction_info);
    FClientVersion = 0;
}

void TDynamicLibrary::LoadIBLibrary()
{
    void* handle = ::dlopen(FFileName.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return; // not loaded; the next TryIBLoad tries again
    TLibraryGuard guard(handle);
    try {
        auto require = [&](auto&... entries) { (Bind(handle, entries), ...); };
        auto substitute = [](TSubstitute kind, auto&... entries) { (entries.SetSubstitute(kind), ...); };

        require(BLOB_get, BLOB_put, isc_sqlcode, isc_sql_interprete, isc_interprete, isc_vax_integer,
                isc_blob_info, isc_open_blob2, isc_close_blob, isc_get_segment, isc_put_segment, isc_create_blob2,
                isc_cancel_blob, isc_array_gen_sdl, isc_array_get_slice, isc_array_lookup_bounds,
                isc_array_lookup_desc, isc_array_set_desc, isc_array_put_slice, isc_blob_default_desc,
                isc_blob_gen_bpb, isc_blob_lookup_desc, isc_blob_set_desc, isc_decode_date, isc_encode_date,
                isc_dsql_free_statement, isc_dsql_execute2, isc_dsql_execute, isc_dsql_set_cursor_name,
                isc_dsql_fetch, isc_dsql_sql_info, isc_dsql_alloc_statement2, isc_dsql_prepare,
                isc_dsql_describe_bind, isc_dsql_describe, isc_dsql_execute_immediate, isc_drop_database,
                isc_detach_database, isc_attach_database, isc_database_info, isc_start_multiple,
                isc_commit_transaction, isc_commit_retaining, isc_rollback_transaction, isc_cancel_events,
                isc_que_events, isc_event_counts, isc_event_block, isc_free, isc_add_user, isc_delete_user,
                isc_modify_user, isc_prepare_transaction, isc_prepare_transaction2, isc_transaction_info);

        if (TryBind(handle, isc_rollback_retaining)) {
            FClientVersion = 60000;
            require(isc_service_attach, isc_service_detach, isc_service_query, isc_service_start,
                    isc_decode_sql_date, isc_decode_sql_time, isc_decode_timestamp, isc_encode_sql_date,
                    isc_encode_sql_time, isc_encode_timestamp);
        } else {
            FClientVersion = 50000;
            substitute(TSubstitute::InterBase6, isc_rollback_retaining, isc_service_attach, isc_service_detach,
                       isc_service_query, isc_service_start, isc_decode_sql_date, isc_decode_sql_time,
                       isc_decode_timestamp, isc_encode_sql_date, isc_encode_sql_time, isc_encode_timestamp);
        }

        if (TryBind(handle, isc_get_client_version)) {
            require(isc_get_client_major_version, isc_get_client_minor_version);
            const qint64 major = isc_get_client_major_version.Address()();
            const qint64 minor = isc_get_client_minor_version.Address()();
            FClientVersion = major * 10000 + minor * 1000;
        } else {
            substitute(TSubstitute::InterBase70, isc_get_client_version, isc_get_client_major_version,
                       isc_get_client_minor_version);
        }

        if (FClientVersion >= 70000) {
            require(isc_array_gen_sdl2, isc_array_get_slice2, isc_array_lookup_bounds2, isc_array_lookup_desc2,
                    isc_array_set_desc2, isc_array_put_slice2, isc_blob_default_desc2, isc_blob_gen_bpb2,
                    isc_blob_lookup_desc2, isc_blob_set_desc2);
            if (FClientVersion >= 71000)
                require(isc_release_savepoint, isc_rollback_savepoint, isc_start_savepoint);
            else
                substitute(TSubstitute::InterBase71, isc_release_savepoint, isc_rollback_savepoint,
                           isc_start_savepoint);
            if (FClientVersion >= 80000)
                require(isc_dsql_batch_execute_immed, isc_dsql_batch_execute);
            else
                substitute(TSubstitute::InterBase2007, isc_dsql_batch_execute_immed, isc_dsql_batch_execute);
        } else {
            substitute(TSubstitute::InterBase70, isc_array_gen_sdl2, isc_array_get_slice2,
                       isc_array_lookup_bounds2, isc_array_lookup_desc2, isc_array_set_desc2,
                       isc_array_put_slice2, isc_blob_default_desc2, isc_blob_gen_bpb2, isc_blob_lookup_desc2,
                       isc_blob_set_desc2);
            substitute(TSubstitute::InterBase71, isc_release_savepoint, isc_rollback_savepoint,
                       isc_start_savepoint);
            substitute(TSubstitute::InterBase2007, isc_dsql_batch_execute_immed, isc_dsql_batch_execute);
        }
    } catch (...) {
        ResetEntries();
        throw; // the guard closes the library
    }
    FHandle = guard.Release();
}

void TDynamicLibrary::FreeIBLibrary()
{
    if (!FHandle)
        return;
    ResetEntries();
    ::dlclose(FHandle);
    FHandle = nullptr;
}

bool TDynamicLibrary::TryIBLoad()
{
    if (!FHandle)
        LoadIBLibrary();
    return FHandle != nullptr;
}

void TDynamicLibrary::CheckIBLoaded()
{
    if (!TryIBLoad())
        RaiseClientError(ceLibraryNotFound);
}

double TDynamicLibrary::GetIBClientVersion()
{
    CheckIBLoaded();
    return static_cast<double>(FClientVersion) / 10000.0;
}
