// A long walk on the user-interface thread: input held, busy pointer, turns
// of the event loop, and the progress box.
#include "app/TWalkProgress.h"

#include "app/TProgressForm.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QWidget>

#include <algorithm>

namespace {

// What the operator can do to a window: all of it is dropped while a walk runs.
bool IsInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
    case QEvent::Gesture:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

} // namespace

TWalkProgress::TWalkProgress(QWidget* Window, TCountEvent CountRows)
    : FWindow(Window), FCountRows(std::move(CountRows))
{
    qApp->installEventFilter(this);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FClock.start();
}

TWalkProgress::~TWalkProgress()
{
    FForm.reset();
    QApplication::restoreOverrideCursor();
    qApp->removeEventFilter(this);
}

bool TWalkProgress::StopRequested() const
{
    return FForm && FForm->StopRequested();
}

bool TWalkProgress::RowDone(bool Rewritten)
{
    ++FLooked;
    if (Rewritten)
        ++FRewritten;
    if (FClock.elapsed() >= FNextTurn)
        Turn();
    return StopRequested();
}

void TWalkProgress::Turn()
{
    if (!FForm && FClock.elapsed() >= kBoxDelay)
        ShowForm();
    if (FForm && FClock.elapsed() >= FNextUpdate)
        UpdateForm();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // Counted from the end of the turn: a slow turn does not make the next
    // one come at once.
    FNextTurn = FClock.elapsed() + kTurnInterval;
}

void TWalkProgress::ShowForm()
{
    // Counted before the box shows, so that it opens with its total.
    if (FCountRows)
        FTotal = FCountRows();
    FForm = std::make_unique<TProgressForm>(FWindow);
    UpdateForm();
    FForm->show();
    // The box's button must be pointed at; the arrow with the busy sign says
    // the program is still working.
    QApplication::changeOverrideCursor(Qt::BusyCursor);
}

void TWalkProgress::UpdateForm()
{
    qint64 total = -1;
    qint64 msLeft = -1;
    if (FTotal >= 0) {
        // Rows added by others meanwhile are counted as they come.
        total = std::max(FTotal, FLooked);
        if (FLooked > 0)
            msLeft = (total - FLooked) * FClock.elapsed() / FLooked;
    }
    FForm->SetProgress(FLooked, FRewritten, total, msLeft);
    FNextUpdate = FClock.elapsed() + kUpdateInterval;
}

bool TWalkProgress::InWindow(QObject* Object) const
{
    // A widget, or an object inside one (a shortcut, an action).
    for (QObject* o = Object; o; o = o->parent())
        if (o->isWidgetType())
            return static_cast<QWidget*>(o)->window() == FWindow;
    return false;
}

bool TWalkProgress::eventFilter(QObject* Watched, QEvent* Event)
{
    const QEvent::Type type = Event->type();
    if (IsInput(type) && InWindow(Watched))
        return true;
    // The window cannot be closed under the walk.
    if (type == QEvent::Close && Watched == FWindow) {
        Event->ignore();
        return true;
    }
    return QObject::eventFilter(Watched, Event);
}
