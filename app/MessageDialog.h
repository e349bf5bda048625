// MessageDialog and ShowNotice: the modal boxes through which the program asks
// the operator a question or tells them something, with the kinds of box, the
// buttons a box can carry and the result codes those buttons answer.
//
// Every box is a TMessageForm built afresh for the call (see TMessageForm.h);
// these functions are what the window and the grid call.
#pragma once

#include <QString>

#include <initializer_list>

// The kind of a box: its caption and its icon.
enum TMsgDlgType {
    mtInformation,  // caption "Information", information icon
    mtConfirmation, // caption "Confirm", question icon
    mtCustom        // caption = application title, no icon
};

// The buttons a box can carry. A box shows them in this order whatever order
// the caller names them in.
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel };

// A set of buttons: MessageDialog(text, mtConfirmation, {mbOK, mbCancel}, 0).
class TMsgDlgButtons {
public:
    constexpr TMsgDlgButtons() = default;
    constexpr TMsgDlgButtons(std::initializer_list<TMsgDlgBtn> buttons)
    {
        for (TMsgDlgBtn b : buttons)
            FBits |= Bit(b);
    }

    constexpr bool Contains(TMsgDlgBtn b) const { return (FBits & Bit(b)) != 0; }
    constexpr bool IsEmpty() const { return FBits == 0; }
    constexpr bool operator==(const TMsgDlgButtons&) const = default;

private:
    static constexpr unsigned Bit(TMsgDlgBtn b) { return 1u << static_cast<unsigned>(b); }
    unsigned FBits = 0;
};

// The result of a box: the code of the button pressed. mrCancel is also the
// answer when the box is closed without a button (close box, Alt+F4).
using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;

// Shows a modal box in the middle of the screen and returns the result code
// of the button pressed. HelpCtx is accepted for the callers' sake; there is
// no help file.
TModalResult MessageDialog(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);

// The plain box with a single OK, captioned with the application title.
void ShowNotice(const QString& Msg);
