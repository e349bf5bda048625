// ModalWatch: drives the modal windows that a call under test opens. While
// the call blocks in the window's own event loop, a timer looks for the
// active modal widget and hands each new one to the test's action (which
// sends it keys or presses its buttons). A window that is still open a while
// after its action ran is closed, so that a wrong key fails the test instead
// of hanging it. Windows named in `ignored` (a progress box that is to stay
// open) are left alone.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

class ModalWatch {
public:
    explicit ModalWatch(std::function<void(QWidget*)> action, QStringList ignored = {})
        : FAction(std::move(action)), FIgnored(std::move(ignored))
    {
        QObject::connect(&FTimer, &QTimer::timeout, [this] { Poll(); });
        FTimer.start(5);
    }
    ~ModalWatch() { FTimer.stop(); }

    ModalWatch(const ModalWatch&) = delete;
    ModalWatch& operator=(const ModalWatch&) = delete;

    int Seen() const { return FSeen; }          // modal windows handed to the action
    int ForcedClose() const { return FForced; } // windows the action left open

private:
    void Poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || FIgnored.contains(modal->objectName()))
            return;
        if (modal != FCurrent) {
            FCurrent = modal;
            ++FSeen;
            FSince.start();
            FAction(modal);
        } else if (FSince.elapsed() > 3000) {
            ++FForced;
            modal->close();
        }
    }

    std::function<void(QWidget*)> FAction;
    QStringList FIgnored;
    QTimer FTimer;
    QPointer<QWidget> FCurrent;
    QElapsedTimer FSince;
    int FSeen = 0;
    int FForced = 0;
};
