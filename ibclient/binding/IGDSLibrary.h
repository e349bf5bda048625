// IGDSLibrary: the process-wide binding to the Firebird client library.
//
// The client library is loaded at run time and its C entry points are bound
// by name; nothing links against it. Each entry point is a TEntryPoint member
// named exactly like the client function, so a call reads like the C call:
//     lib.isc_attach_database(status, ...);
// An entry point that the loaded library lacks holds a substitute kind
// instead of an address; calling it raises EIBClientError with the message
// for that kind and does nothing else.
//
// Types and constants come from Firebird's ibase.h. The few entry points
// that ibase.h does not declare (later client versions) get signatures here.
#pragma once

#include <ibase.h>

#include <QString>

#include <memory>
#include <tuple>
#include <type_traits>

// Entry points of later client versions, absent from this ibase.h. They are
// bound when a library reports such a version and are never called here.
namespace IBLaterClient {
using isc_array_gen_sdl2 = ISC_STATUS (*)(ISC_STATUS*, const void*, ISC_SHORT*, ISC_UCHAR*, ISC_SHORT*);
using isc_array_get_slice2 = ISC_STATUS (*)(ISC_STATUS*, isc_db_handle*, isc_tr_handle*, ISC_QUAD*, const void*,
                                            void*, ISC_LONG*);
using isc_array_lookup_bounds2 = ISC_STATUS (*)(ISC_STATUS*, isc_db_handle*, isc_tr_handle*, const ISC_SCHAR*,
                                                const ISC_SCHAR*, void*);
using isc_array_lookup_desc2 = isc_array_lookup_bounds2;
using isc_array_set_desc2 = ISC_STATUS (*)(ISC_STATUS*, const ISC_SCHAR*, const ISC_SCHAR*, const short*,
                                           const short*, const short*, void*);
using isc_array_put_slice2 = isc_array_get_slice2;
using isc_blob_default_desc2 = void (*)(void*, const ISC_UCHAR*, const ISC_UCHAR*);
using isc_blob_gen_bpb2 = ISC_STATUS (*)(ISC_STATUS*, const void*, const void*, unsigned short, ISC_UCHAR*,
                                         unsigned short*);
using isc_blob_lookup_desc2 = ISC_STATUS (*)(ISC_STATUS*, isc_db_handle*, isc_tr_handle*, const ISC_UCHAR*,
                                             const ISC_UCHAR*, void*, ISC_UCHAR*);
using isc_blob_set_desc2 = ISC_STATUS (*)(ISC_STATUS*, const ISC_UCHAR*, const ISC_UCHAR*, short, short, short,
                                          void*);
using isc_release_savepoint = ISC_STATUS (*)(ISC_STATUS*, isc_tr_handle*, const ISC_SCHAR*);
using isc_rollback_savepoint = ISC_STATUS (*)(ISC_STATUS*, isc_tr_handle*, const ISC_SCHAR*, ISC_USHORT);
using isc_start_savepoint = isc_release_savepoint;
using isc_dsql_batch_execute_immed = ISC_STATUS (*)(ISC_STATUS*, isc_db_handle*, isc_tr_handle*, unsigned short,
                                                    ISC_ULONG, const ISC_SCHAR**, ISC_ULONG*);
using isc_dsql_batch_execute = ISC_STATUS (*)(ISC_STATUS*, isc_tr_handle*, isc_stmt_handle*, unsigned short,
                                              XSQLDA*, unsigned short, XSQLVAR**, ISC_ULONG*);
} // namespace IBLaterClient

// What takes the place of an entry point the library does not offer. The
// number is the message kind raised when the substitute is called.
enum class TSubstitute : int {
    None = 0,        // bound to the library
    InterBase6 = 1,  // "... is an InterBase 6 function ..." (client error 3, SQLCode 3)
    InterBase70 = 2, // "... is an InterBase 7.0 function ..."
    InterBase71 = 3, // "... is an InterBase 7.1 function ..."
    InterBase2007 = 4,
    InterBase65 = 5,
    Unbound = -1,    // nothing loaded yet
};

// Raises the EIBClientError of a substitute called by name.
[[noreturn]] void RaiseSubstituteCalled(TSubstitute kind, const char* name);

// Watches every client call made through the binding. Tests use it to count
// calls (fetches, commits) and to make the N-th call of an operation fail.
class TClientCallObserver {
public:
    virtual ~TClientCallObserver() = default;
    // Called before each client call. Answer true to fail the call instead of
    // making it: the observer has then filled `status` with the failure.
    // `status` is null for entry points that take no status vector.
    virtual bool BeforeCall(const char* name, ISC_STATUS* status) = 0;
};

// The process-wide observer (none by default).
void SetClientCallObserver(TClientCallObserver* observer);
TClientCallObserver* ClientCallObserver();

// What every slot of the binding table holds: the entry point's name, and the
// library's address for it or, when it has none, the substitute to raise.
template <class Fn>
class TEntrySlot {
public:
    using Function = Fn;

    explicit TEntrySlot(const char* name) : FName(name) {}

    const char* Name() const { return FName; }
    Function Address() const { return FAddress; }
    TSubstitute Substitute() const { return FSubstitute; }
    void Bind(Function address) { FAddress = address; FSubstitute = TSubstitute::None; }
    void SetSubstitute(TSubstitute kind) { FAddress = nullptr; FSubstitute = kind; }

protected:
    const char* FName;
    Function FAddress = nullptr;
    TSubstitute FSubstitute = TSubstitute::Unbound;
};

template <class Fn>
class TEntryPoint;

// One slot of the binding table: the library's entry point, or a substitute.
template <class R, class... A>
class TEntryPoint<R (*)(A...)> : public TEntrySlot<R (*)(A...)> {
public:
    using TEntrySlot<R (*)(A...)>::TEntrySlot;

    R operator()(A... args) const
    {
        if (TClientCallObserver* observer = ClientCallObserver()) {
            ISC_STATUS* status = nullptr;
            if constexpr (sizeof...(A) > 0 && std::is_same_v<std::tuple_element_t<0, std::tuple<A...>>, ISC_STATUS*>)
                status = std::get<0>(std::tuple<A...>(args...));
            if (observer->BeforeCall(this->FName, status)) {
                if constexpr (std::is_same_v<R, ISC_STATUS>)
                    return status ? status[1] : isc_network_error;
                else if constexpr (!std::is_void_v<R>)
                    return R{};
                else
                    return;
            }
        }
        if (!this->FAddress)
            RaiseSubstituteCalled(this->FSubstitute, this->FName);
        return this->FAddress(args...);
    }
};

// A C-variadic entry point (isc_event_block): bound, never called by this layer.
template <class R, class... A>
class TEntryPoint<R (*)(A..., ...)> : public TEntrySlot<R (*)(A..., ...)> {
public:
    using TEntrySlot<R (*)(A..., ...)>::TEntrySlot;
};

#define VELMORA_ENTRY(name) TEntryPoint<decltype(&::name)> name{#name};
#define VELMORA_LATER_ENTRY(name) TEntryPoint<IBLaterClient::name> name{#name};

// The binding: load operations and one slot per client function, in the
// order of the published interface.
class IGDSLibrary {
public:
    virtual ~IGDSLibrary() = default;

    // Loads and binds; a failure on a missing required entry point raises
    // EOSError and leaves the library not loaded.
    virtual void LoadIBLibrary() = 0;
    virtual void FreeIBLibrary() = 0;
    // Loads when not loaded yet; answers whether the library is loaded now.
    virtual bool TryIBLoad() = 0;
    // TryIBLoad, raising client error 1 when the library cannot be loaded.
    virtual void CheckIBLoaded() = 0;
    // CheckIBLoaded, then the client version worked out while binding (6.3, 7.1, ...).
    virtual double GetIBClientVersion() = 0;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    VELMORA_ENTRY(isc_attach_database)
    VELMORA_LATER_ENTRY(isc_array_gen_sdl2)
    VELMORA_ENTRY(isc_array_gen_sdl)
    VELMORA_ENTRY(isc_array_get_slice)
    VELMORA_LATER_ENTRY(isc_array_get_slice2)
    VELMORA_ENTRY(isc_array_lookup_bounds)
    VELMORA_LATER_ENTRY(isc_array_lookup_bounds2)
    VELMORA_ENTRY(isc_array_lookup_desc)
    VELMORA_LATER_ENTRY(isc_array_lookup_desc2)
    VELMORA_ENTRY(isc_array_set_desc)
    VELMORA_LATER_ENTRY(isc_array_set_desc2)
    VELMORA_ENTRY(isc_array_put_slice)
    VELMORA_LATER_ENTRY(isc_array_put_slice2)
    VELMORA_ENTRY(isc_blob_default_desc)
    VELMORA_LATER_ENTRY(isc_blob_default_desc2)
    VELMORA_ENTRY(isc_blob_gen_bpb)
    VELMORA_LATER_ENTRY(isc_blob_gen_bpb2)
    VELMORA_ENTRY(isc_blob_info)
    VELMORA_ENTRY(isc_blob_lookup_desc)
    VELMORA_LATER_ENTRY(isc_blob_lookup_desc2)
    VELMORA_ENTRY(isc_blob_set_desc)
    VELMORA_LATER_ENTRY(isc_blob_set_desc2)
    VELMORA_ENTRY(isc_cancel_blob)
    VELMORA_ENTRY(isc_cancel_events)
    VELMORA_ENTRY(isc_close_blob)
    VELMORA_ENTRY(isc_commit_retaining)
    VELMORA_ENTRY(isc_commit_transaction)
    VELMORA_ENTRY(isc_create_blob2)
    VELMORA_ENTRY(isc_database_info)
    VELMORA_ENTRY(isc_decode_date)
    VELMORA_ENTRY(isc_decode_sql_date)
    VELMORA_ENTRY(isc_decode_sql_time)
    VELMORA_ENTRY(isc_decode_timestamp)
    VELMORA_ENTRY(isc_detach_database)
    VELMORA_ENTRY(isc_drop_database)
    VELMORA_ENTRY(isc_dsql_alloc_statement2)
    VELMORA_ENTRY(isc_dsql_describe)
    VELMORA_ENTRY(isc_dsql_describe_bind)
    VELMORA_ENTRY(isc_dsql_execute)
    VELMORA_ENTRY(isc_dsql_execute2)
    VELMORA_ENTRY(isc_dsql_execute_immediate)
    VELMORA_ENTRY(isc_dsql_fetch)
    VELMORA_ENTRY(isc_dsql_free_statement)
    VELMORA_ENTRY(isc_dsql_prepare)
    VELMORA_ENTRY(isc_dsql_set_cursor_name)
    VELMORA_ENTRY(isc_dsql_sql_info)
    VELMORA_ENTRY(isc_encode_date)
    VELMORA_ENTRY(isc_encode_sql_date)
    VELMORA_ENTRY(isc_encode_sql_time)
    VELMORA_ENTRY(isc_encode_timestamp)
    VELMORA_ENTRY(isc_event_block)
    VELMORA_ENTRY(isc_event_counts)
    VELMORA_ENTRY(isc_free)
    VELMORA_ENTRY(isc_get_segment)
    VELMORA_ENTRY(isc_interprete)
    VELMORA_ENTRY(isc_open_blob2)
    VELMORA_ENTRY(isc_prepare_transaction2)
    VELMORA_ENTRY(isc_put_segment)
    VELMORA_ENTRY(isc_que_events)
    VELMORA_LATER_ENTRY(isc_release_savepoint)
    VELMORA_ENTRY(isc_rollback_retaining)
    VELMORA_LATER_ENTRY(isc_rollback_savepoint)
    VELMORA_ENTRY(isc_rollback_transaction)
    VELMORA_ENTRY(isc_start_multiple)
    VELMORA_LATER_ENTRY(isc_start_savepoint)
    VELMORA_ENTRY(isc_sqlcode)
    VELMORA_ENTRY(isc_sql_interprete)
    VELMORA_ENTRY(isc_vax_integer)
    VELMORA_LATER_ENTRY(isc_dsql_batch_execute_immed)
    VELMORA_LATER_ENTRY(isc_dsql_batch_execute)
    VELMORA_ENTRY(isc_add_user)
    VELMORA_ENTRY(isc_delete_user)
    VELMORA_ENTRY(isc_modify_user)
    VELMORA_ENTRY(isc_prepare_transaction)
    VELMORA_ENTRY(BLOB_put)
    VELMORA_ENTRY(BLOB_get)
    VELMORA_ENTRY(isc_service_attach)
    VELMORA_ENTRY(isc_service_detach)
    VELMORA_ENTRY(isc_service_query)
    VELMORA_ENTRY(isc_service_start)
    VELMORA_ENTRY(isc_get_client_version)
    VELMORA_ENTRY(isc_get_client_major_version)
    VELMORA_ENTRY(isc_get_client_minor_version)
    VELMORA_ENTRY(isc_transaction_info)
#pragma GCC diagnostic pop
};

#undef VELMORA_ENTRY
#undef VELMORA_LATER_ENTRY

// The one binding object of the process, created on the first call
// (creating it loads nothing) and kept until the process ends.
std::shared_ptr<IGDSLibrary> SharedClientLibrary();
