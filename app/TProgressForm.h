// TProgressForm: the box that shows how far a long rewrite of image paths
// has got (rows looked at, rows rewritten, and when known the total and the
// time left) and carries the button that stops it.
//
// The box does not run a loop of its own: the walk shows it modally and
// updates it between rows. Its button, Esc and the close box only ask for
// the stop; the walk notices at its next pause, ends between two rows and
// closes the box.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

class TProgressForm : public QDialog {
public:
    // Shown centred over Owner, the window whose walk it follows.
    explicit TProgressForm(QWidget* Owner);
    ~TProgressForm() override;

    // The line above the counts and the caption of the stop button.
    static constexpr const char* kMessage = "Conversione dei percorsi delle immagini in corso...";
    static constexpr const char* kStopCaption = "&Interrompi";

    // Shows the counts. Total is the number of rows when known, else -1;
    // MsLeft the estimated time left in milliseconds, else -1.
    void SetProgress(qint64 Looked, qint64 Rewritten, qint64 Total, qint64 MsLeft);

    // Whether the operator asked for the stop.
    bool StopRequested() const { return FStopRequested; }
    QPushButton* StopButton() const { return FStopButton; }

    // "1:02:03", "2:03": hours only when there are any.
    static QString DurationText(qint64 Ms);

    // Esc and the close box ask for the stop; the box stays until the walk
    // has ended.
    void reject() override;

private:
    void RequestStop();

    bool FStopRequested = false;
    QLabel* FLooked = nullptr;
    QLabel* FRewritten = nullptr;
    QLabel* FTimeLeft = nullptr;
    QPushButton* FStopButton = nullptr;
};
