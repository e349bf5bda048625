// Preloaded (LD_PRELOAD) into the installed program by check-package.sh, so
// that the packaged binary, which reads no command line, is driven as an
// operator drives it: once the window shows, the probe types the database
// path named by VELMORA_PROBE_DB into the path box, presses "Apri Database"
// and looks at the grid. Rows shown: it saves a picture (VELMORA_PROBE_SHOT)
// and closes the window, so the program ends with its own exit code 0. Any
// box that shows up, or a grid without rows, ends the program with code 3.
// The probe sees only widgets, by their object names: the binary exports no
// symbols of its own.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

constexpr int kProbeFailed = 3;

void Fail(const QString& why)
{
    std::fprintf(stderr, "probe: %s\n", qPrintable(why));
    QCoreApplication::exit(kProbeFailed);
}

// Every box (an error, a start-up failure) is a fault here: it is reported
// and closed, so its nested event loop returns and the program can end.
void WatchForBoxes()
{
    auto* watch = new QTimer(qApp);
    QObject::connect(watch, &QTimer::timeout, [] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box)
            return;
        QStringList texts;
        for (const QObject* child : box->findChildren<QObject*>()) {
            const QVariant text = child->property("text");
            if (text.canConvert<QString>() && !text.toString().isEmpty())
                texts << text.toString();
        }
        Fail(QStringLiteral("a box was shown: [%1] %2").arg(box->windowTitle(), texts.join(QLatin1String(" | "))));
        box->close();
    });
    watch->start(100);
}

QImage Picture(QWidget* widget)
{
    return widget->grab().toImage();
}

void OpenAndLook()
{
    QWidget* window = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top->findChild<QLineEdit*>(QStringLiteral("Edit1")))
            window = top;
    }
    if (!window) {
        Fail(QStringLiteral("no window with a path box"));
        return;
    }
    auto* path = window->findChild<QLineEdit*>(QStringLiteral("Edit1"));
    auto* open = window->findChild<QPushButton*>(QStringLiteral("SpeedButton2"));
    auto* grid = window->findChild<QAbstractScrollArea*>(QStringLiteral("DBGrid1"));
    if (!open || !grid) {
        Fail(QStringLiteral("the window lacks its open button or its grid"));
        return;
    }
    const QImage empty = Picture(grid->viewport());
    path->setText(qEnvironmentVariable("VELMORA_PROBE_DB"));
    open->click();
    QApplication::processEvents();
    // The grid's vertical bar shows once the record set holds two rows or
    // more; its range is the number of rows read so far.
    const QScrollBar* bar = grid->verticalScrollBar();
    const QImage filled = Picture(grid->viewport());
    if (!bar->isVisible() || bar->maximum() < 2 || filled == empty) {
        Fail(QStringLiteral("the grid shows no rows"));
        return;
    }
    const QString shot = qEnvironmentVariable("VELMORA_PROBE_SHOT");
    if (!shot.isEmpty())
        Picture(window).save(shot);
    std::printf("probe: the grid shows rows\n");
    std::fflush(stdout);
    window->close();
}

void StartProbe()
{
    WatchForBoxes();
    // The first turn of the event loop comes after the window is shown.
    QTimer::singleShot(0, qApp, &OpenAndLook);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(StartProbe)
