// The progress box of a long rewrite: its layout, the counts and the stop.
#include "app/TProgressForm.h"

#include "app/TApplication.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

TProgressForm::TProgressForm(QWidget* Owner)
    : QDialog(Owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("ProgressForm"));
    setFont(QApplication::font("QMessageBox"));
    setWindowTitle(ApplicationTitle());
    setWindowModality(Qt::ApplicationModal);

    // Margins and gaps from the font's measures, as the message boxes have them.
    const QFontMetrics metrics(font());
    const int charWidth = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52;
    const int charHeight = metrics.height();
    const int horzMargin = 2 * charWidth;
    const int vertMargin = charHeight;

    auto* message = new QLabel(QLatin1String(kMessage), this);
    message->setObjectName(QStringLiteral("Message"));
    FLooked = new QLabel(this);
    FLooked->setObjectName(QStringLiteral("Looked"));
    FRewritten = new QLabel(this);
    FRewritten->setObjectName(QStringLiteral("Rewritten"));
    FTimeLeft = new QLabel(this);
    FTimeLeft->setObjectName(QStringLiteral("TimeLeft"));
    for (QLabel* label : {message, FLooked, FRewritten, FTimeLeft})
        label->setTextFormat(Qt::PlainText);

    FStopButton = new QPushButton(QLatin1String(kStopCaption), this);
    FStopButton->setObjectName(QStringLiteral("Stop"));
    // Not a default button: Enter typed by habit does not end the walk.
    FStopButton->setAutoDefault(false);
    FStopButton->setFixedSize(std::max(12 * charWidth, metrics.horizontalAdvance(QStringLiteral("Interrompi")) + 8),
                              (14 * charHeight + 4) / 8);
    connect(FStopButton, &QPushButton::clicked, this, [this] { RequestStop(); });

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(FStopButton);
    buttonRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(horzMargin, vertMargin, horzMargin, vertMargin);
    layout->setSpacing(charHeight / 3);
    layout->addWidget(message);
    layout->addSpacing(charHeight / 2);
    layout->addWidget(FLooked);
    layout->addWidget(FRewritten);
    layout->addWidget(FTimeLeft);
    layout->addSpacing(charHeight);
    layout->addLayout(buttonRow);

    // Wide enough for large counts from the start, so that the box does not
    // grow while it is watched.
    const QLocale locale = QLocale::system();
    const QString widest = QStringLiteral("Righe esaminate: %1 di %1").arg(locale.toString(qint64{999999999}));
    setFixedWidth(std::max(metrics.horizontalAdvance(QLatin1String(kMessage)), metrics.horizontalAdvance(widest))
                  + 2 * horzMargin);
    SetProgress(0, 0, -1, -1);
    FStopButton->setFocus(Qt::OtherFocusReason);
}

TProgressForm::~TProgressForm() = default;

void TProgressForm::SetProgress(qint64 Looked, qint64 Rewritten, qint64 Total, qint64 MsLeft)
{
    const QLocale locale = QLocale::system();
    if (Total >= 0)
        FLooked->setText(QStringLiteral("Righe esaminate: %1 di %2").arg(locale.toString(Looked), locale.toString(Total)));
    else
        FLooked->setText(QStringLiteral("Righe esaminate: %1").arg(locale.toString(Looked)));
    FRewritten->setText(QStringLiteral("Righe modificate: %1").arg(locale.toString(Rewritten)));
    if (FStopRequested)
        return;
    if (MsLeft >= 0)
        FTimeLeft->setText(QStringLiteral("Tempo rimanente: circa %1").arg(DurationText(MsLeft)));
    else
        FTimeLeft->setText(QStringLiteral("Tempo rimanente: calcolo in corso..."));
}

QString TProgressForm::DurationText(qint64 Ms)
{
    const qint64 seconds = std::max<qint64>(0, (Ms + 999) / 1000); // rounded up: never "0:00" while rows remain
    const qint64 h = seconds / 3600;
    const qint64 m = seconds / 60 % 60;
    const qint64 s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

void TProgressForm::reject()
{
    RequestStop();
}

void TProgressForm::RequestStop()
{
    FStopRequested = true;
    FStopButton->setEnabled(false);
    FTimeLeft->setText(QStringLiteral("Interruzione in corso..."));
}
