// A client library that cannot be loaded: creating the window fails, the
// start-up failure box says why, and the window is never shown. Runs in a
// process of its own, since the library must not have been loaded before.
#include "WindowFixture.h"

#include "ibclient/binding/EIBError.h"
#include "ibclient/binding/TDynamicLibrary.h"

namespace {

TEST(WindowStartupFailure, AMissingClientLibraryStopsTheWindowsCreation)
{
    auto* shared = dynamic_cast<TDynamicLibrary*>(SharedClientLibrary().get());
    ASSERT_NE(shared, nullptr);
    if (shared->Loaded())
        GTEST_SKIP() << "the client library was loaded earlier in this process";
    shared->SetFileName("libvelmora-no-such-client.so.2");

    std::unique_ptr<TForm1> form;
    std::exception_ptr failure;
    try {
        form = std::make_unique<TForm1>();
    } catch (...) {
        failure = std::current_exception();
    }
    ASSERT_TRUE(failure);
    EXPECT_EQ(form, nullptr);
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_EQ(dynamic_cast<TForm1*>(w), nullptr);

    std::vector<TShownBox> shown;
    {
        ModalWatch watch([&](QWidget* box) {
            shown.push_back({box->windowTitle(), BoxText(box)});
            QTest::keyClick(box, Qt::Key_Return);
        });
        ShowStartupFailure(failure);
    }
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, QStringLiteral("Application Error"));
    const QString text = shown[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("Exception EIBClientError in module tst_window_startup_failure at ")))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("InterBase library gds32.dll not found in the path. Please install "
                                             "InterBase to use this functionality.\n")))
        << text.toStdString();
    shared->SetFileName(TDynamicLibrary::kDefaultFileName);
}

} // namespace
