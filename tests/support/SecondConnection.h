// A second connection of a test's own to a database file, configured as the
// program's (SYSDBA, dialect 1, read committed, no wait), through which a
// test checks what the code under test committed, or holds locks of its own.
#pragma once

#include "ibclient/sql/TIBDatabase.h"
#include "ibclient/sql/TIBSQL.h"
#include "ibclient/sql/TIBTransaction.h"
#include "ibclient/sql/TIBXSQLDA.h"
#include "ibclient/sql/TIBXSQLVAR.h"

#include <QStringList>

class TSecondConnection {
public:
    explicit TSecondConnection(const QString& name)
    {
        FDatabase.SetParams({QStringLiteral("user_name=sysdba"), QStringLiteral("password=quietloom")});
        FDatabase.SetLoginPrompt(false);
        FDatabase.SetSQLDialect(1);
        FDatabase.SetDatabaseName(name);
        FTransaction.SetDefaultDatabase(&FDatabase);
        FTransaction.SetParams({QStringLiteral("read_committed"), QStringLiteral("rec_version"), QStringLiteral("nowait")});
        FDatabase.Open();
    }
    ~TSecondConnection()
    {
        try {
            if (FTransaction.InTransaction())
                FTransaction.Rollback();
            FDatabase.Close();
        } catch (...) {
        }
    }
    // The first column of every row of a select, as text; "<null>" for null.
    QStringList Column(const QString& sql)
    {
        const bool started = !FTransaction.InTransaction();
        if (started)
            FTransaction.StartTransaction();
        TIBSQL q(nullptr);
        q.SetDatabase(&FDatabase);
        q.SetTransaction(&FTransaction);
        q.SetGoToFirstRecordOnExecute(false);
        q.SetSQLText(sql);
        q.ExecQuery();
        QStringList rows;
        if (q.SQLType() == SQLSelect)
            for (TIBXSQLDA* row = q.Next(); row; row = q.Next())
                rows.append(row->Vars(0)->IsNull() ? QStringLiteral("<null>") : row->Vars(0)->AsString());
        q.Close();
        if (started)
            FTransaction.Commit();
        return rows;
    }
    // Every EXTFILE by AUTOID order.
    QStringList Paths() { return Column(QStringLiteral("select EXTFILE from IMMAGINI order by AUTOID")); }
    // The EXTFILE of one row; "<no row>" when there is none.
    QString Path(int AutoId)
    {
        return Column(QStringLiteral("select EXTFILE from IMMAGINI where AUTOID = %1").arg(AutoId))
            .value(0, QStringLiteral("<no row>"));
    }
    TIBTransaction& Transaction() { return FTransaction; }
    TIBDatabase& Database() { return FDatabase; }

private:
    TIBDatabase FDatabase{nullptr};
    TIBTransaction FTransaction{nullptr};
};

