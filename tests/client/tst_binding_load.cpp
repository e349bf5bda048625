// Loading the client library: what happens when none can be found, when a
// library lacks optional or required entry points, and how the client
// version is worked out. The stand-in libraries are built by the tests.
#include "ibclient/binding/EIBError.h"
#include "ibclient/binding/TDynamicLibrary.h"
#include "ibclient/sql/TIBDatabase.h"

#include <gtest/gtest.h>

namespace {

template <class E, class Fn>
E Caught(Fn fn)
{
    try {
        fn();
    } catch (const E& e) {
        return e;
    }
    ADD_FAILURE() << "expected an error";
    return E(0, QString());
}

// Runs first in its own process: the shared binding has loaded nothing yet.
TEST(BindingLoad, NoLoadableLibraryFailsEveryConnectionUntilOneIsFound)
{
    auto* shared = dynamic_cast<TDynamicLibrary*>(SharedClientLibrary().get());
    ASSERT_NE(shared, nullptr);
    if (shared->Loaded())
        GTEST_SKIP() << "the shared binding was loaded by an earlier test in this process";

    shared->SetFileName("libvelmora-no-such-client.so.2");
    for (int attempt = 0; attempt < 2; ++attempt) {
        const EIBClientError e = Caught<EIBClientError>([] { TIBDatabase db(nullptr); });
        EXPECT_EQ(e.SQLCode(), 1);
        EXPECT_EQ(e.IBErrorCode(), 0);
        EXPECT_EQ(e.Message(), QStringLiteral("InterBase library gds32.dll not found in the path. "
                                              "Please install InterBase to use this functionality"));
    }
    EXPECT_FALSE(shared->Loaded());

    // The library turns up: the next connection loads it, in the same process.
    shared->SetFileName(TDynamicLibrary::kDefaultFileName);
    TIBDatabase db(nullptr);
    EXPECT_TRUE(shared->Loaded());
    EXPECT_DOUBLE_EQ(shared->GetIBClientVersion(), 6.3);
}

TEST(BindingLoad, WithoutRollbackRetainingTheLibraryIsVersion5AndItsSubstituteRaises)
{
    TDynamicLibrary lib(FAKE_V50);
    EXPECT_DOUBLE_EQ(lib.GetIBClientVersion(), 5.0);
    ISC_STATUS_ARRAY status = {};
    isc_tr_handle tr = 0;
    const EIBClientError e = Caught<EIBClientError>([&] { lib.isc_rollback_retaining(status, &tr); });
    EXPECT_EQ(e.SQLCode(), 3);
    EXPECT_EQ(e.Message(), QStringLiteral("isc_rollback_retaining is an InterBase 6 function. "
                                          "Please upgrade to InterBase 6 to use this functonality"));
    // The ten functions that come with it get the same substitute.
    EXPECT_EQ(lib.isc_encode_sql_date.Substitute(), TSubstitute::InterBase6);
    EXPECT_EQ(lib.isc_service_attach.Substitute(), TSubstitute::InterBase6);
}

TEST(BindingLoad, WithoutClientVersionTheLibraryIsVersion6AndBindsNoLaterFunction)
{
    TDynamicLibrary lib(FAKE_V60);
    EXPECT_DOUBLE_EQ(lib.GetIBClientVersion(), 6.0);
    EXPECT_EQ(lib.isc_rollback_retaining.Substitute(), TSubstitute::None);
    ISC_STATUS_ARRAY status = {};
    const EIBClientError e = Caught<EIBClientError>([&] {
        lib.isc_blob_lookup_desc2(status, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    });
    EXPECT_EQ(e.SQLCode(), 0);
    // The function name is followed by a blank in place of %s: two blanks before "is".
    EXPECT_EQ(e.Message(), QStringLiteral("isc_blob_lookup_desc2  is an InterBase 7.0 function. "
                                          "Please upgrade to InterBase 7.0 to use this functonality"));
    const EIBClientError v = Caught<EIBClientError>([&] {
        char buffer[64];
        lib.isc_get_client_version(buffer);
    });
    EXPECT_TRUE(v.Message().startsWith(QStringLiteral("isc_get_client_version  is an InterBase 7.0")));
    EXPECT_EQ(lib.isc_start_savepoint.Substitute(), TSubstitute::InterBase71);
    EXPECT_EQ(lib.isc_dsql_batch_execute.Substitute(), TSubstitute::InterBase2007);
    const EIBClientError b = Caught<EIBClientError>(
        [&] { lib.isc_dsql_batch_execute(status, nullptr, nullptr, 1, nullptr, 0, nullptr, nullptr); });
    EXPECT_EQ(b.Message(), QStringLiteral("isc_dsql_batch_execute is an InterBase 2007 function. "
                                          "Please upgrade to InterBase 2007 to use this functonality"));
}

TEST(BindingLoad, AVersion71LibraryBindsTheDescriptorAndSavepointFunctions)
{
    TDynamicLibrary lib(FAKE_V71);
    EXPECT_DOUBLE_EQ(lib.GetIBClientVersion(), 7.1);
    EXPECT_EQ(lib.isc_blob_lookup_desc2.Substitute(), TSubstitute::None);
    EXPECT_NE(lib.isc_blob_lookup_desc2.Address(), nullptr);
    EXPECT_EQ(lib.isc_start_savepoint.Substitute(), TSubstitute::None);
    EXPECT_EQ(lib.isc_dsql_batch_execute_immed.Substitute(), TSubstitute::InterBase2007);
}

TEST(BindingLoad, AMissingRequiredEntryPointLeavesTheLibraryNotLoadedAndTheNextCheckStartsOver)
{
    TDynamicLibrary lib(FAKE_MISSING);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            lib.CheckIBLoaded();
            FAIL() << "the load should fail";
        } catch (const EOSError& e) {
            EXPECT_TRUE(e.Message().startsWith(QStringLiteral("System Error.  Code: ")));
            EXPECT_TRUE(e.Message().contains(QStringLiteral(".\r\n")));
            EXPECT_TRUE(e.Message().contains(QStringLiteral("isc_dsql_fetch"))) << e.Message().toStdString();
        }
        EXPECT_FALSE(lib.Loaded());
        // Nothing points into the closed library.
        EXPECT_EQ(lib.isc_attach_database.Address(), nullptr);
    }
    lib.SetFileName(FAKE_V60);
    EXPECT_TRUE(lib.TryIBLoad());
}

} // namespace
