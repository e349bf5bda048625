// TOpenDialog: the file-open dialog behind "...". The operator picks (or
// types) a file; neither the file nor its folder has to exist, there is no
// filter and no title of our own, and the dialog is modal to the whole
// program. The toolkit's own (non-native) dialog is used so that it behaves
// the same on every desktop.
#pragma once

#include "ibclient/base/TComponent.h"

#include <QString>

class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* AOwner);
    ~TOpenDialog() override;

    // The folder the dialog opens in; empty leaves the choice to the dialog.
    // One trailing separator ("\" or "/") is dropped when the text is longer
    // than one character and the character before it is not ":", so "D:\"
    // and "/" stay as they are.
    const QString& InitialDir() const { return FInitialDir; }
    void SetInitialDir(const QString& value);

    // Before Execute: pre-fills the dialog's file-name box. After Execute
    // answered true: the full path of the chosen file. After false: unchanged.
    const QString& FileName() const { return FFileName; }
    void SetFileName(const QString& value) { FFileName = value; }

    // Shows the dialog; true when the operator chose a file, false when the
    // dialog was cancelled or closed.
    bool Execute();

private:
    QString FInitialDir;
    QString FFileName;
};
