// MessageDialog and ShowNotice: a TMessageForm per call, shown modally.
#include "app/MessageDialog.h"

#include "app/TMessageForm.h"

TModalResult MessageDialog(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx)
{
    (void)HelpCtx; // no help file
    TMessageForm form(Msg, DlgType, Buttons);
    return form.exec();
}

void ShowNotice(const QString& Msg)
{
    MessageDialog(Msg, mtCustom, {mbOK}, 0);
}
