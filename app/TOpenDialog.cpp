// The file-open dialog over the toolkit's file dialog.
#include "app/TOpenDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTreeView>
#include <QScreen>
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
    // the initial folder, when it exists, has the last word. A full path
    // into a folder that does not exist only fills the name box, so that the
    // dialog never shows a folder that is not there.
    if (!FFileName.isEmpty()) {
        const QFileInfo name(FFileName);
        if (name.isRelative() || name.absoluteDir().exists())
            dialog.selectFile(FFileName);
        else if (auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            edit->setText(FFileName);
    }
    if (!FInitialDir.isEmpty() && QFileInfo(FInitialDir).isDir())
        dialog.setDirectory(FInitialDir);

    // Room for the file list's columns, within the screen.
    QSize size(780, 480);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    dialog.resize(size.expandedTo(dialog.minimumSizeHint()));
    // The detail columns fit what they show; the name takes the rest.
    if (auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = tree->header();
        header->setStretchLastSection(false);
        for (int column = 0; column < header->count(); ++column)
            header->setSectionResizeMode(column, column == 0 ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
    }

    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return false;
    FFileName = chosen.first();
    return true;
}
