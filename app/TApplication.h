// TApplication: the program's application object and its error display.
//
// No command catches an error. Whatever escapes the handling of an event
// reaches TApplication::notify, which shows it (HandleException) and lets the
// event loop go on. The application's title, taken from the executable's
// name, captions plain notices and error boxes. A failure while the main
// window is being created is shown by ShowStartupFailure instead, since the
// event loop has not started then.
#pragma once

#include "ibclient/base/Exception.h"

#include <QApplication>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <exception>
#include <functional>

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    // Delivers the event; an error that escapes its handling goes to
    // HandleException, and the loop carries on.
    bool notify(QObject* receiver, QEvent* event) override;

    // The executable's file name as a title ("ZIDOVI.Main" gives "Zidovi").
    const QString& Title() const { return FTitle; }
    void SetTitle(const QString& title);

    // Shows the error being handled (call it inside a catch block) or the
    // given one: a mouse capture in progress ends first (the grabbing widget
    // is released and receives QEvent::UngrabMouse), and so does a press the
    // box will swallow (see EndPendingPress); EAbort is silent; any
    // other Exception goes to OnException when set, else to ShowException;
    // an object of any other type gets the "Application Error" box.
    void HandleException(QObject* Sender);
    void HandleException(QObject* Sender, std::exception_ptr error);

    // The error box for one exception: the innermost non-empty message of its
    // chain with a closing period, captioned with the title, a single OK.
    void ShowException(const Exception& E);

    using TExceptionEvent = std::function<void(QObject* Sender, const Exception& E)>;
    void SetOnException(TExceptionEvent handler) { FOnException = std::move(handler); }

    // The widget that took the last mouse press while its release has not
    // come yet, or null.
    QWidget* PressedWidget() const { return FPressed; }

private:
    // A control that repeats while it is held down (a scroll bar's arrow or
    // trough, an auto-repeating button, a spin box's arrows) would go on
    // repeating the failing action behind the error box: the box takes the
    // release the control waits for. The control gets a release of its own
    // first, away from it, so that it stops without acting once more.
    // Ungrabbed: the widget whose capture has just been cancelled, if any.
    void EndPendingPress(QWidget* Ungrabbed);

    QString FTitle;
    TExceptionEvent FOnException;
    QPointer<QWidget> FPressed;
};

// The one application object, or null while none (or a plain QApplication)
// exists.
extern TApplication* Application;

// Runs one of our event handlers (a button's click, a record set's event)
// and shows an error that escapes it the way the event loop would, then
// returns. The toolkit's widget code is built without exception support: an
// error unwinding through it skips its clean-up (a guard pointer's counter is
// leaked per error, and more may be left half done), so handlers connected to
// widget signals should run through here. notify stays the net for the rest.
template <class Handler>
void RunHandler(QObject* Sender, Handler&& handler)
{
    try {
        handler();
    } catch (...) {
        if (!Application)
            throw;
        Application->HandleException(Sender);
    }
}

// The title that captions notices and error boxes: the application object's
// when there is one, else the one the executable's name gives.
QString ApplicationTitle();

// The file name after the last "/", cut at its first ".", every character
// after the first in lower case by the locale's rules, at most 255 characters.
QString ApplicationTitleFromPath(const QString& path);

// A "." appended when the text is not empty and its last character's code is
// above that of "."; letters, digits and "?" get one, ".", "!", ")", quotes,
// blanks and line breaks do not.
QString AppendPeriod(const QString& text);

// What the error box shows for E: the message of the innermost exception of
// its chain whose message is not empty, with AppendPeriod applied.
QString ExceptionBoxText(const Exception& E);

// "Exception %s in module %s at %p.\r\n%s%s\r\n" filled in; Message carries
// its period already (or is empty).
QString ApplicationErrorText(const QString& ClassName, const QString& ModuleName, const void* Address,
                             const QString& Message);

// The "Application Error" box for an error raised while the main window was
// being created (or for any object that is not an Exception). The caller
// ends the program with exit code 1 afterwards.
void ShowStartupFailure(std::exception_ptr error);
