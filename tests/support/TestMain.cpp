// main() of every test executable: GoogleTest under a Qt application object,
// a widget application for the grid and window tests (offscreen), a core one
// for the client layer, or the program's own application object with its
// error display for the tests that need it.
#include <gtest/gtest.h>

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

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
