// The application object, its title and the error boxes.
#include "app/TApplication.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QIcon>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QWidget>

#include <cxxabi.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <typeinfo>

TApplication* Application = nullptr;

namespace {

constexpr qsizetype kMaxTitleLength = 255;

// Line breaks arrive as CR LF; the text engine wants a single line feed.
QString DisplayText(const QString& text)
{
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

QString ExecutableName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

// The code address where a failure surfaced. The raising address is gone
// once the stack has unwound, so the catching code's return address stands
// for it.
[[gnu::noinline]] const void* CallerAddress()
{
    return __builtin_return_address(0);
}

// The class of the object being handled; only valid inside a catch block.
QString CurrentExceptionClassName()
{
    const std::type_info* type = abi::__cxa_current_exception_type();
    if (!type)
        return QStringLiteral("unknown");
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(type->name(), nullptr, nullptr, &status), &std::free);
    return QString::fromUtf8(status == 0 && demangled ? demangled.get() : type->name());
}

// Shows an error box modal to the whole program. Its text is plain: a
// server's message may hold "<" and must not be read as markup. The OK
// button carries no picture, like the buttons of the other boxes.
void ExecErrorBox(QMessageBox& box)
{
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    if (QAbstractButton* ok = box.button(QMessageBox::Ok))
        ok->setIcon(QIcon());
    box.exec();
}

// The box of a failure that is not an ordinary error: error icon, caption
// "Application Error".
void ShowApplicationError(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Application Error"), DisplayText(text), QMessageBox::Ok);
    box.setObjectName(QStringLiteral("ApplicationErrorBox"));
    ExecErrorBox(box);
}

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    FTitle = ApplicationTitleFromPath(applicationFilePath());
    Application = this;
}

TApplication::~TApplication()
{
    if (Application == this)
        Application = nullptr;
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    // The first widget a press is delivered to is the one that holds it
    // until the release.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (receiver->isWidgetType())
            FPressed = static_cast<QWidget*>(receiver);
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton)
            FPressed = nullptr;
        break;
    default:
        break;
    }
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException(receiver);
        return false;
    }
}

void TApplication::SetTitle(const QString& title)
{
    FTitle = title.left(kMaxTitleLength);
}

void TApplication::HandleException(QObject* Sender)
{
    if (std::exception_ptr error = std::current_exception())
        HandleException(Sender, error);
}

void TApplication::HandleException(QObject* Sender, std::exception_ptr error)
{
    // An interrupted drag or column resize ends before anything is shown.
    QWidget* grabber = QWidget::mouseGrabber();
    if (grabber) {
        grabber->releaseMouse();
        QEvent ungrab(QEvent::UngrabMouse);
        QCoreApplication::sendEvent(grabber, &ungrab);
    }
    EndPendingPress(grabber);

    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        // silent by design
    } catch (const Exception& E) {
        if (FOnException)
            FOnException(Sender, E);
        else
            ShowException(E);
    } catch (...) {
        ShowApplicationError(ApplicationErrorText(CurrentExceptionClassName(), ExecutableName(), CallerAddress(),
                                                  QString()));
    }
}

void TApplication::EndPendingPress(QWidget* Ungrabbed)
{
    QPointer<QWidget> pressed = FPressed;
    FPressed = nullptr;
    if (!pressed)
        return;
    // Its mode is cancelled first, as a capture's is: the release that
    // follows must not complete a drag or a resize.
    if (pressed != Ungrabbed) {
        QEvent ungrab(QEvent::UngrabMouse);
        QCoreApplication::sendEvent(pressed, &ungrab);
        if (!pressed)
            return;
    }
    // Outside the widget, so that a button does not count it as a click.
    const QPointF away(-1, -1);
    QMouseEvent release(QEvent::MouseButtonRelease, away, pressed->mapToGlobal(away), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(pressed, &release);
}

void TApplication::ShowException(const Exception& E)
{
    QMessageBox box(QMessageBox::Critical, Title(), DisplayText(ExceptionBoxText(E)), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setObjectName(QStringLiteral("ErrorBox"));
    ExecErrorBox(box);
}

QString ApplicationTitle()
{
    if (Application)
        return Application->Title();
    return ApplicationTitleFromPath(QCoreApplication::applicationFilePath());
}

QString ApplicationTitleFromPath(const QString& path)
{
    QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    if (name.size() > 1)
        name = name.left(1) + QLocale::system().toLower(name.mid(1));
    return name.left(kMaxTitleLength);
}

QString AppendPeriod(const QString& text)
{
    if (!text.isEmpty() && text.back().unicode() > u'.')
        return text + QLatin1Char('.');
    return text;
}

QString ExceptionBoxText(const Exception& E)
{
    QString text = E.Message();
    for (const Exception* inner = E.InnerException(); inner; inner = inner->InnerException())
        if (!inner->Message().isEmpty())
            text = inner->Message();
    return AppendPeriod(text);
}

QString ApplicationErrorText(const QString& ClassName, const QString& ModuleName, const void* Address,
                             const QString& Message)
{
    // The address at the pointer's full width, in upper-case hexadecimal.
    const QString address = QStringLiteral("%1")
                                .arg(static_cast<qulonglong>(reinterpret_cast<std::uintptr_t>(Address)),
                                     static_cast<int>(2 * sizeof(void*)), 16, QLatin1Char('0'))
                                .toUpper();
    // One pass over the format, so that a '%' inside a message stays as it is.
    return QStringLiteral("Exception %1 in module %2 at %3.\r\n%4\r\n").arg(ClassName, ModuleName, address, Message);
}

void ShowStartupFailure(std::exception_ptr error)
{
    QString text;
    try {
        std::rethrow_exception(error);
    } catch (const Exception& E) {
        text = ApplicationErrorText(E.ClassName(), ExecutableName(), CallerAddress(), AppendPeriod(E.Message()));
    } catch (...) {
        text = ApplicationErrorText(CurrentExceptionClassName(), ExecutableName(), CallerAddress(), QString());
    }
    ShowApplicationError(text);
}
