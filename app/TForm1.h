// TForm1: the program's one window. It owns the database objects (the data
// source, the connection, the transaction and the record set over IMMAGINI)
// with their fixed configuration, the grid, the file-open dialog and the
// controls the operator works with, and holds the handlers behind them:
// choosing and opening the patient database, rewriting image paths that
// begin with a text, and the hidden conversion of absolute paths.
//
// No handler catches an error: each one ends where it fails and the error is
// shown by the application's error display; the window stays usable.
#pragma once

#include "ibclient/base/TComponent.h"

#include <QFont>
#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class TDataSet;
class TDataSource;
class TDBGrid;
class TIBDataSet;
class TIBDatabase;
class TIBSQL;
class TIBTransaction;
class TOpenDialog;

class TForm1 : public QWidget, public TComponent {
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The path box's default: the clinic's usual database.
    static constexpr const char* kDefaultPath = "C:\\Ostra\\Palvena\\Database\\Pazienti.GDB";
    // The confirmation asked before a rewrite.
    static constexpr const char* kConfirmation = "Avviare la conversione dei percorsi delle immagini?";
    // The notice after a rewrite the operator stopped.
    static QString StoppedNotice(qint64 Rewritten);

    // Components, in the order the window creates them.
    TDataSource* DataSource1;
    TIBDatabase* IBDatabase1;
    TIBTransaction* IBTransaction1;
    TIBDataSet* IBDataSet1;
    TDBGrid* DBGrid1;
    QPushButton* Button1;
    QLineEdit* Edit1;
    QLabel* Label1;
    QPushButton* SpeedButton1;
    QPushButton* SpeedButton2;
    TOpenDialog* OpenDialog1;
    QPushButton* Button2;
    QLineEdit* Edit2;
    QLineEdit* Edit3;

    // The database path last taken from Edit1 at start or from the dialog;
    // typing in Edit1 does not change it.
    const QString& FileName() const { return FFileName; }

    // The handlers, as the buttons and the record set call them.
    void FormCreate();
    void SpeedButton1Click(); // "...": choose the database file
    void SpeedButton2Click(); // "Apri Database": open it
    void Button2Click();      // "Sostituisti stringa": rewrite the paths beginning with Edit2's text
    void Button1Click();      // "Esegui": turn absolute paths into "+\immagini" ones
    void IBDataSet1AfterPost(TDataSet* DataSet);

    // The text of a path with every occurrence of Search replaced, scanning
    // from the left by exact code units; an empty Search finds nothing.
    static QString ReplaceAll(const QString& Path, const QString& Search, const QString& Replacement);
    // Whether Path begins with Search by the locale's comparison of its
    // first Search.size() characters (an empty Search always passes).
    static bool StartsWithLocaleAware(const QString& Path, const QString& Search);
    // The folder part of a path: up to and including its last "/", "\" or ":".
    static QString FolderPart(const QString& Path);
    // The window's font: the desktop's sans-serif at the largest size, up to
    // the designed 11 pixels, at which the captions fit their controls.
    static QFont WindowFont();

private:
    void CreateComponents();
    void ConfigureDatabaseObjects();
    void LayOutControls();
    // The walk shared by both rewrite commands: confirmation, every row from
    // the first, the rule deciding the new path (or none), reopening, "Finito!"
    // (or the stopped notice when the operator stopped the walk).
    template <class Rule>
    void RewritePaths(Rule NewPath);
    // The rows of IMMAGINI, for the progress box of a long walk.
    qint64 CountImages();

    QString FFileName;
    TIBSQL* FCountSQL = nullptr;
};
