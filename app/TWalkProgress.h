// TWalkProgress: keeps the program alive through a long walk over rows that
// runs on the user-interface thread. For its lifetime:
//
// - the operator's input to the walk's window is dropped, not queued: no
//   click, key or close can start anything, now or after the walk;
// - the busy pointer shows;
// - every few tens of milliseconds, between two rows, the event loop gets a
//   turn, so the windows repaint and the desktop gets its answers;
// - once the walk has run about a second, the progress box (TProgressForm)
//   shows the counts and offers the stop.
//
// The walk reports each finished row to RowDone and ends when it answers
// true. Destroying the object closes the box and gives the input back, also
// when an error ends the walk.
#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <memory>

class QWidget;
class TProgressForm;

class TWalkProgress : public QObject {
public:
    // The number of rows the walk will look at, asked once when the box
    // appears; -1 when it cannot be told.
    using TCountEvent = std::function<qint64()>;

    TWalkProgress(QWidget* Window, TCountEvent CountRows);
    ~TWalkProgress() override;

    TWalkProgress(const TWalkProgress&) = delete;
    TWalkProgress& operator=(const TWalkProgress&) = delete;

    // The longest stretch of rows without a turn of the event loop, and how
    // long a walk runs before the box appears, in milliseconds.
    static constexpr int kTurnInterval = 25;
    static constexpr int kBoxDelay = 1000;
    // How often the box's counts change: often enough to be watched, rarely
    // enough that laying the box out again costs the walk nothing.
    static constexpr int kUpdateInterval = 250;

    // One row finished (Rewritten: it was edited and posted). Gives the event
    // loop its turn when one is due; answers whether the operator asked for
    // the stop.
    bool RowDone(bool Rewritten);

    qint64 Looked() const { return FLooked; }
    qint64 Rewritten() const { return FRewritten; }
    bool StopRequested() const;
    // The box, once it has appeared.
    TProgressForm* Form() const { return FForm.get(); }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void Turn();
    void ShowForm();
    void UpdateForm();
    bool InWindow(QObject* Object) const;

    QWidget* FWindow;
    TCountEvent FCountRows;
    QElapsedTimer FClock;
    qint64 FNextTurn = kTurnInterval;
    qint64 FNextUpdate = 0;
    qint64 FLooked = 0;
    qint64 FRewritten = 0;
    qint64 FTotal = -1;
    std::unique_ptr<TProgressForm> FForm;
};
