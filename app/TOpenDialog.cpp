// The file-open dialog over the toolkit's file dialog.
#include "app/TOpenDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

TOpenDialog::TOpenDialog(TComponent* AOwner) : TComponent(AOwner) {}

TOpenDialog::~TOpenDialog()
{
    Destroying();
}

void TOpenDialog::SetInitialDir(const QString& value)
{
    QString dir = value;
    const qsizetype n = dir.size();
    if (n > 1 && (dir.at(n - 1) == QLatin1Char('\\') || dir.at(n - 1) == QLatin1Char('/'))
        && dir.at(n - 2) != QLatin1Char(':'))
        dir.chop(1);
    FInitialDir = dir;
}

bool TOpenDialog::Execute()
{
    QFileDialog dialog;
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Any name may be typed: neither the file nor its folder is checked.
    dialog.setFileMode(QFileDialog::AnyFile);

    // The name first: a full path also moves the dialog to its folder, and
    // the initial folder, when it exists, has the last word.
    if (!FFileName.isEmpty())
        dialog.selectFile(FFileName);
    if (!FInitialDir.isEmpty() && QFileInfo(FInitialDir).isDir())
        dialog.setDirectory(FInitialDir);

    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return false;
    FFileName = chosen.first();
    return true;
}
