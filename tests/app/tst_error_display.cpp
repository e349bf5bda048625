// The error display: what escapes an event handler is shown by the
// application object and the program goes on; the text rules of the error
// box; the application title; the box for a failed start-up.
#include "app/TApplication.h"
#include "ibclient/base/Exception.h"
#include "tests/app/ModalWatch.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>

namespace {

// An error of the client layer's kind, as the start-up failure raises it.
class TestClientError : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
    QString ClassName() const override { return QStringLiteral("EIBClientError"); }
};

// An object whose event handler runs what the test gives it, then notes that
// the handler ran to its end. The error leaves through the application's
// notify only: it must not unwind through the toolkit's widget code, which
// is built without exception support (see RunHandler).
class Thrower : public QObject {
public:
    std::function<void()> Action;
    int Finished = 0;
    int EventsSeen = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        ++EventsSeen;
        if (Action)
            Action();
        ++Finished;
        return true;
    }
};

// A widget that counts the notices of a lost mouse capture.
class Grabber : public QWidget {
public:
    int Ungrabs = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::UngrabMouse)
            ++Ungrabs;
        return QWidget::event(e);
    }
};

struct ShownBox {
    QString objectName, caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

// Runs `deliver` and records every box shown meanwhile, closing each with
// its OK button.
std::vector<ShownBox> CollectBoxes(const std::function<void()>& deliver)
{
    std::vector<ShownBox> shown;
    ModalWatch watch([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box)
            return;
        ShownBox s{box->objectName(), box->windowTitle(), box->text(), box->icon(), {}};
        for (QAbstractButton* b : box->buttons())
            s.buttons << b->text();
        shown.push_back(s);
        box->button(QMessageBox::Ok)->click();
    });
    deliver();
    EXPECT_EQ(watch.ForcedClose(), 0);
    return shown;
}

// Delivers an event to the object through the event loop's dispatch.
std::vector<ShownBox> SendEventAndCollectBoxes(Thrower& target)
{
    return CollectBoxes([&] {
        QEvent e(QEvent::User);
        QCoreApplication::sendEvent(&target, &e);
    });
}

TEST(ErrorDisplay, AnErrorInAHandlerIsShownAndTheProgramGoesOn)
{
    ASSERT_NE(Application, nullptr);
    Application->SetTitle(QStringLiteral("Zidovi"));
    Thrower target;
    target.Action = [] { throw EDatabaseError(QStringLiteral("Database name is missing")); };
    std::vector<ShownBox> shown = SendEventAndCollectBoxes(target);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].objectName, QStringLiteral("ErrorBox"));
    EXPECT_EQ(shown[0].caption, QStringLiteral("Zidovi"));
    EXPECT_EQ(shown[0].text, QStringLiteral("Database name is missing."));
    EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
    EXPECT_EQ(shown[0].buttons.size(), 1);
    EXPECT_EQ(target.Finished, 0) << "the handler must end where the error was raised";

    // The next event is handled as usual.
    target.Action = nullptr;
    EXPECT_TRUE(SendEventAndCollectBoxes(target).empty());
    EXPECT_EQ(target.EventsSeen, 2);
    EXPECT_EQ(target.Finished, 1);
}

TEST(ErrorDisplay, AbortIsSilent)
{
    Thrower target;
    target.Action = [] { Abort(); };
    EXPECT_TRUE(SendEventAndCollectBoxes(target).empty());
    target.Action = [] { throw EAbort(QStringLiteral("not shown either")); };
    EXPECT_TRUE(SendEventAndCollectBoxes(target).empty());
    EXPECT_EQ(target.Finished, 0);
}

TEST(ErrorDisplay, ALineBrokenDatabaseErrorKeepsItsLines)
{
    Thrower target;
    target.Action = [] {
        throw EDatabaseError(QStringLiteral("Dynamic SQL Error\r\nSQL error code = -206\r\nColumn unknown\r\nEXTFILEX"));
    };
    std::vector<ShownBox> shown = SendEventAndCollectBoxes(target);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, QStringLiteral("Dynamic SQL Error\nSQL error code = -206\nColumn unknown\nEXTFILEX."));
}

TEST(ErrorDisplay, AnObjectThatIsNotAnExceptionGetsTheApplicationErrorBox)
{
    const QString module = QRegularExpression::escape(QCoreApplication::applicationFilePath().section('/', -1));
    struct Case {
        std::function<void()> raise;
        QString className;
    };
    const Case cases[] = {
        {[] { throw std::runtime_error("lost"); }, QStringLiteral("std::runtime_error")},
        {[] { throw 42; }, QStringLiteral("int")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.className.toStdString());
        Thrower target;
        target.Action = c.raise;
        std::vector<ShownBox> shown = SendEventAndCollectBoxes(target);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].caption, QStringLiteral("Application Error"));
        EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
        // "Exception %s in module %s at %p.\r\n%s%s\r\n" with two empty strings.
        const QRegularExpression format(QStringLiteral("^Exception %1 in module %2 at [0-9A-F]{%3}\\.\n\n$")
                                            .arg(QRegularExpression::escape(c.className), module)
                                            .arg(2 * sizeof(void*)));
        EXPECT_TRUE(format.match(shown[0].text).hasMatch()) << shown[0].text.toStdString();
    }
}

TEST(ErrorDisplay, AnInterruptedMouseCaptureEnds)
{
    Grabber grabber;
    grabber.resize(100, 100);
    grabber.show();
    grabber.grabMouse();
    ASSERT_EQ(QWidget::mouseGrabber(), &grabber);
    Thrower target;
    target.Action = [] { throw EDatabaseError(QStringLiteral("x")); };
    std::vector<ShownBox> shown = SendEventAndCollectBoxes(target);
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(grabber.Ungrabs, 1);
}

// A button's handler run through RunHandler: the error is shown, the click
// ends, and the button works again afterwards.
TEST(ErrorDisplay, AHeldButtonWhoseRepeatedActionFailsShowsOneBoxAndStopsRepeating)
{
    // The error box takes the release the button waits for; without it the
    // button would go on repeating the failing action behind the box.
    QWidget window;
    auto* button = new QPushButton(QStringLiteral("+"), &window);
    button->setAutoRepeat(true);
    button->setAutoRepeatDelay(50);
    button->setAutoRepeatInterval(20);
    int actions = 0;
    QObject::connect(button, &QPushButton::clicked, button, [&] {
        ++actions;
        RunHandler(button, [] { throw EDatabaseError(QStringLiteral("Cannot move")); });
    });
    window.show();
    const std::vector<ShownBox> shown = CollectBoxes([&] {
        QTest::mousePress(button, Qt::LeftButton);
        QTest::qWait(600);
    });
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(actions, 1);
    EXPECT_FALSE(button->isDown());
    EXPECT_EQ(Application->PressedWidget(), nullptr);
}

TEST(ErrorDisplay, RunHandlerShowsAnErrorOfAButtonsHandler)
{
    QPushButton button(QStringLiteral("Apri Database"));
    int finished = 0;
    bool fail = true;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        RunHandler(&button, [&] {
            if (fail)
                throw EDatabaseError(QStringLiteral("Database name is missing"));
            ++finished;
        });
    });
    std::vector<ShownBox> shown = CollectBoxes([&] { button.click(); });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, QStringLiteral("Database name is missing."));
    EXPECT_EQ(finished, 0);
    fail = false;
    EXPECT_TRUE(CollectBoxes([&] { button.click(); }).empty());
    EXPECT_EQ(finished, 1);
}

TEST(ErrorDisplay, OnExceptionReplacesTheBox)
{
    QString seen;
    Application->SetOnException([&](QObject*, const Exception& E) { seen = E.Message(); });
    Thrower target;
    target.Action = [] { throw EConvertError(QStringLiteral("'x' is not a valid integer value")); };
    EXPECT_TRUE(SendEventAndCollectBoxes(target).empty());
    Application->SetOnException(nullptr);
    EXPECT_EQ(seen, QStringLiteral("'x' is not a valid integer value"));
}

TEST(ErrorDisplay, PeriodRule)
{
    struct Case {
        QString text, shown;
    };
    const Case cases[] = {
        {"Database name is missing", "Database name is missing."},
        {"Delete record?", "Delete record?."},
        {"Finished.", "Finished."},
        {"Stop!", "Stop!"},
        {"value (x)", "value (x)"},
        {"say \"x\"", "say \"x\""},
        {"say 'x'", "say 'x'"},
        {"trailing blank ", "trailing blank "},
        {"line\r\n", "line\r\n"},
        {"row 7", "row 7."},
        {"dash-", "dash-"},        // '-' is below '.'
        {"slash/", "slash/."},     // '/' is above '.'
        {"città", "città."},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AppendPeriod(c.text), c.shown) << c.text.toStdString();
}

TEST(ErrorDisplay, TheInnermostNonEmptyMessageOfAChainIsShown)
{
    auto chain = [](std::initializer_list<const char*> messages) {
        // The first message is the outermost error.
        std::shared_ptr<Exception> inner;
        std::vector<const char*> list(messages);
        for (auto it = list.rbegin(); it != list.rend(); ++it) {
            auto e = std::make_shared<Exception>(QString::fromUtf8(*it));
            if (inner)
                e->SetInnerException(inner);
            inner = e;
        }
        return inner;
    };
    EXPECT_EQ(ExceptionBoxText(*chain({"Outer"})), QStringLiteral("Outer."));
    EXPECT_EQ(ExceptionBoxText(*chain({"Outer", ""})), QStringLiteral("Outer."));
    EXPECT_EQ(ExceptionBoxText(*chain({"Outer", "Inner", ""})), QStringLiteral("Inner."));
    EXPECT_EQ(ExceptionBoxText(*chain({"Outer", "Middle", "Inner!"})), QStringLiteral("Inner!"));
    EXPECT_EQ(ExceptionBoxText(*chain({"", "Inner"})), QStringLiteral("Inner."));
    EXPECT_EQ(ExceptionBoxText(*chain({"", ""})), QString());
}

TEST(ApplicationTitle, ComesFromTheExecutablesName)
{
    struct Case {
        QString path, title;
    };
    const Case cases[] = {
        {"/opt/velmora/ZIDOVI.Main", "Zidovi"},
        {"/opt/velmora/ZIDOVI.Main.exe", "Zidovi"},
        {"/tmp/a.b.c", "a"},
        {"/usr/bin/velmora", "velmora"},
        {"VELMORA", "Velmora"},
        {"/x/ÀRCHIVIO.bin", "Àrchivio"},
        {"/x/ÉLAN", "Élan"},  // only what follows the first character changes
        {"/x/.hidden", ""},
        {"/x/y/", ""},
        {QStringLiteral("/x/") + QString(300, 'A'), QStringLiteral("A") + QString(254, 'a')},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ApplicationTitleFromPath(c.path), c.title) << c.path.toStdString();

    // The program's own title is its executable's.
    EXPECT_EQ(TApplication::applicationFilePath().section('/', -1), QStringLiteral("tst_error_display"));
    Application->SetTitle(ApplicationTitleFromPath(TApplication::applicationFilePath()));
    EXPECT_EQ(ApplicationTitle(), QStringLiteral("tst_error_display"));
}

TEST(StartupFailure, ApplicationErrorTextFollowsTheFormat)
{
    const void* address = reinterpret_cast<const void*>(std::uintptr_t{0x4a3f1c});
    const QString expected = QStringLiteral("Exception EIBClientError in module velmora at %1.\r\n"
                                            "Unable to load 100% of gds32.dll.\r\n")
                                 .arg(QStringLiteral("4A3F1C").rightJustified(2 * sizeof(void*), '0'));
    EXPECT_EQ(ApplicationErrorText(QStringLiteral("EIBClientError"), QStringLiteral("velmora"), address,
                                   QStringLiteral("Unable to load 100% of gds32.dll.")),
              expected);
}

TEST(StartupFailure, TheBoxNamesTheErrorClassModuleAndMessage)
{
    const QString message = QStringLiteral("Unable to load gds32.dll");
    std::vector<ShownBox> shown;
    ModalWatch watch([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        shown.push_back({box->objectName(), box->windowTitle(), box->text(), box->icon(), {}});
        box->button(QMessageBox::Ok)->click();
    });
    try {
        throw TestClientError(message);
    } catch (...) {
        ShowStartupFailure(std::current_exception());
    }
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, QStringLiteral("Application Error"));
    EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
    const QRegularExpression format(
        QStringLiteral("^Exception EIBClientError in module tst_error_display at [0-9A-F]{%1}\\.\n"
                       "Unable to load gds32\\.dll\\.\n$")
            .arg(2 * sizeof(void*)));
    EXPECT_TRUE(format.match(shown[0].text).hasMatch()) << shown[0].text.toStdString();
}

} // namespace
