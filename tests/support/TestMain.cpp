// main() of every test executable: GoogleTest under a Qt application object,
// a widget application for the grid and window tests (offscreen), a core one
// for the client layer.
#include <gtest/gtest.h>

#ifdef VELMORA_TEST_GUI
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
