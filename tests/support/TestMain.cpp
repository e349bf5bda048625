// main() of every test executable: GoogleTest under a Qt application object,
// a widget application for the grid and window tests (offscreen), a core one
// for the client layer, or the program's own application object with its
// error display for the tests that need it.
#include <gtest/gtest.h>

#include <cstring>

#if defined(VELMORA_TEST_TAPPLICATION)
#include "app/TApplication.h"
using TestApplication = TApplication;
#elif defined(VELMORA_TEST_GUI)
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <dlfcn.h>

namespace {

// Stops the client library's own threads (the embedded engine's and the
// network ones) before the process ends, so that nothing runs while the leak
// checker takes its last look at memory. The program itself never needs this.
void ShutDownClientLibrary()
{
    void* library = ::dlopen("libfbclient.so.2", RTLD_NOW | RTLD_NOLOAD);
    if (!library)
        return; // never loaded in this process
    using TShutdown = int (*)(unsigned int, const int);
    void* symbol = ::dlsym(library, "fb_shutdown");
    TShutdown shutdown = nullptr;
    static_assert(sizeof shutdown == sizeof symbol);
    std::memcpy(&shutdown, &symbol, sizeof shutdown);
    if (shutdown)
        shutdown(0, -3); // fb_shutrsn_app_stopped
    ::dlclose(library);
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    int result = 0;
    {
        TestApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    ShutDownClientLibrary();
    return result;
}
