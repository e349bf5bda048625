// The program's database objects, configured as its window configures them,
// over a copy of a fixture database: the connection (SYSDBA, dialect 1),
// the transaction (read committed, record versions, no wait, commit
// retaining), and the record set over IMMAGINI with its five statements and
// the after-post commit. For tests of the record set, the grid and the
// commands that work through them.
#pragma once

#include "ibclient/ibdataset/TIBDataSet.h"
#include "ibclient/sql/TIBDatabase.h"
#include "ibclient/sql/TIBTransaction.h"
#include "tests/support/FixtureDatabase.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace PatientSQL {
inline const QStringList kSelect = {QStringLiteral("select CODICE_CLIENTE,NUMERO_CARTELLA, AUTOID,EXTFILE from IMMAGINI")};
inline const QStringList kModify = {
    QStringLiteral("update IMMAGINI"), QStringLiteral("set"), QStringLiteral("  EXTFILE = :EXTFILE"),
    QStringLiteral("where"), QStringLiteral("  AUTOID is not distinct from :OLD_AUTOID and"),
    QStringLiteral("  CODICE_CLIENTE is not distinct from :OLD_CODICE_CLIENTE and"),
    QStringLiteral("  NUMERO_CARTELLA is not distinct from :OLD_NUMERO_CARTELLA")};
inline const QStringList kInsert = {QStringLiteral("insert into IMMAGINI"), QStringLiteral("  (AUTOID, EXTFILE)"),
                                    QStringLiteral("values"), QStringLiteral("  (:AUTOID, :EXTFILE)")};
inline const QStringList kDelete = {QStringLiteral("delete from IMMAGINI"), QStringLiteral("where"),
                                    QStringLiteral("  AUTOID = :OLD_AUTOID")};
inline const QStringList kRefresh = {
    QStringLiteral("Select "),       QStringLiteral("  CODICE_CLIENTE,"), QStringLiteral("  NUMERO_CARTELLA,"),
    QStringLiteral("  AUTOID,"),     QStringLiteral("  ZONA,"),           QStringLiteral("  DATA,"),
    QStringLiteral("  EXTFILE,"),    QStringLiteral("  GRAPHICS,"),       QStringLiteral("  COMMENTO,"),
    QStringLiteral("  MISURE"),      QStringLiteral("from IMMAGINI "),    QStringLiteral("where"),
    QStringLiteral("  AUTOID = :AUTOID")};
} // namespace PatientSQL

class PatientDataSet {
public:
    // A copy of the database made from `scripts` (the patient database by
    // default) in a folder of its own; nothing is attached yet.
    explicit PatientDataSet(const QStringList& scripts = FixtureDatabase::kPatient)
    {
        path = dir.filePath(QStringLiteral("patient.fdb"));
        FixtureDatabase::Create(scripts, path);
        database = std::make_unique<TIBDatabase>(nullptr);
        database->SetName(QStringLiteral("IBDatabase1"));
        transaction = std::make_unique<TIBTransaction>(nullptr);
        transaction->SetName(QStringLiteral("IBTransaction1"));
        dataSet = std::make_unique<TIBDataSet>(nullptr);
        dataSet->SetName(QStringLiteral("IBDataSet1"));

        database->SetParams({QStringLiteral("user_name=sysdba"), QStringLiteral("password=quietloom")});
        database->SetLoginPrompt(false);
        database->SetDefaultTransaction(transaction.get());
        database->SetSQLDialect(1);
        database->SetDatabaseName(path);
        transaction->SetDefaultDatabase(database.get());
        transaction->SetDefaultAction(TACommitRetaining);
        transaction->SetParams({QStringLiteral("read_committed"), QStringLiteral("rec_version"), QStringLiteral("nowait")});
        dataSet->SetDatabase(database.get());
        dataSet->SetTransaction(transaction.get());
        dataSet->SetSelectSQL(PatientSQL::kSelect);
        dataSet->SetModifySQL(PatientSQL::kModify);
        dataSet->SetInsertSQL(PatientSQL::kInsert);
        dataSet->SetDeleteSQL(PatientSQL::kDelete);
        dataSet->SetRefreshSQL(PatientSQL::kRefresh);
        dataSet->SetAfterPost([this](TDataSet*) { transaction->CommitRetaining(); });
    }

    ~PatientDataSet()
    {
        // The window's order: the record set, then the transaction, then the connection.
        dataSet.reset();
        transaction.reset();
        database.reset();
    }

    // Attaches and opens the record set, as "Apri Database" does.
    void Open()
    {
        database->SetConnected(true);
        dataSet->SetActive(true);
    }

    QTemporaryDir dir;
    QString path;
    std::unique_ptr<TIBDatabase> database;
    std::unique_ptr<TIBTransaction> transaction;
    std::unique_ptr<TIBDataSet> dataSet;
};
