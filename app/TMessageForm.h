// TMessageForm: the window behind every message box, built afresh for each
// box and laid out from the measures of its font, so that the box reads the
// same at every font size; and MulDiv, the rounding it lays out with.
//
// The keys are those of a desktop dialog: Enter presses the focused button,
// Esc the cancel button, an access key (alone or with Alt) its button, Tab,
// Shift+Tab and the arrow keys move between buttons, Space presses the
// focused one; the close box answers mrCancel; Ctrl+C copies the box as text.
#pragma once

#include "app/MessageDialog.h"

#include <QDialog>
#include <QRect>
#include <QSize>

#include <vector>

class QLabel;
class QPushButton;

// a * b / c, rounded to the nearest whole number with halves away from zero;
// -1 when c is 0 or the result does not fit in an int (the window system's
// own rounding, which the sizes follow).
int MulDiv(int a, int b, int c);

// Everything the box's geometry is computed from, and the result, in pixels
// of the client area. Tests compare it with what the widgets show.
struct TMessageLayout {
    int CharWidth = 0;     // average width of "A".."Z", "a".."z"
    int CharHeight = 0;    // their height
    int HorzMargin = 0;    // side margin
    int VertMargin = 0;    // top and bottom margin
    int HorzSpacing = 0;   // gap between icon and text
    int VertSpacing = 0;   // gap between text and buttons
    int ButtonWidth = 0;
    int ButtonHeight = 0;
    int ButtonSpacing = 0; // gap between neighbouring buttons
    QSize TextSize;        // the wrapped text
    QRect IconRect;        // null when the kind has no icon
    QRect TextRect;
    std::vector<QRect> ButtonRects; // in the order the buttons stand
    QSize ClientSize;
};

class TMessageForm : public QDialog {
    Q_OBJECT

public:
    TMessageForm(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);
    ~TMessageForm() override;

    const TMessageLayout& Layout() const { return FLayout; }
    const QString& Message() const { return FMessage; }
    QPushButton* DefaultButton() const { return FDefaultButton; }
    QPushButton* CancelButton() const { return FCancelButton; }

    // The box as text, as Ctrl+C puts it on the clipboard.
    QString ClipboardText() const;

    // The caption of a box of this kind.
    static QString CaptionFor(TMsgDlgType DlgType);

    // The close box, Alt+F4 and the window menu's Close end here.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool HandleKey(QKeyEvent* event);
    void CopyToClipboard();

    QString FMessage;
    TMessageLayout FLayout;
    std::vector<QPushButton*> FButtons; // in the order they stand
    QPushButton* FDefaultButton = nullptr;
    QPushButton* FCancelButton = nullptr;
};
