// Connections and transactions configured as the program configures them,
// over fixture databases, for the client-layer tests.
#pragma once

#include "ibclient/binding/EIBError.h"
#include "ibclient/sql/TIBDatabase.h"
#include "ibclient/sql/TIBSQL.h"
#include "ibclient/sql/TIBTransaction.h"
#include "ibclient/sql/TIBXSQLDA.h"
#include "ibclient/sql/TIBXSQLVAR.h"
#include "tests/support/FixtureDatabase.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <type_traits>

// The program's connection settings: SYSDBA, dialect 1, no login prompt.
inline void ConfigureAsProgram(TIBDatabase& db, const QString& name)
{
    db.SetParams({QStringLiteral("user_name=sysdba"), QStringLiteral("password=quietloom")});
    db.SetLoginPrompt(false);
    db.SetSQLDialect(1);
    db.SetDatabaseName(name);
}

// The program's transaction settings: read committed, record versions, no wait.
inline void ConfigureAsProgram(TIBTransaction& tr, TIBDatabase& db)
{
    tr.SetDefaultDatabase(&db);
    tr.SetDefaultAction(TACommitRetaining);
    tr.SetParams({QStringLiteral("read_committed"), QStringLiteral("rec_version"), QStringLiteral("nowait")});
}

// Runs one statement in the transaction (starting it when needed) and answers
// the first column of every row as text.
inline QStringList Query(TIBDatabase& db, TIBTransaction& tr, const QString& sql, bool paramCheck = true)
{
    if (!tr.InTransaction())
        tr.StartTransaction();
    TIBSQL q(nullptr);
    q.SetDatabase(&db);
    q.SetTransaction(&tr);
    q.SetSQLText(sql);
    q.SetParamCheck(paramCheck);
    q.SetGoToFirstRecordOnExecute(false);
    q.ExecQuery();
    QStringList rows;
    if (q.SQLType() == SQLSelect)
        for (TIBXSQLDA* row = q.Next(); row; row = q.Next())
            rows.append(row->Vars(0)->AsString());
    return rows;
}

// A private copy of a fixture database and a connection and transaction on it.
class ClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("patient.fdb"));
        FixtureDatabase::Create(FixtureDatabase::kPatient, path);
        db = std::make_unique<TIBDatabase>(nullptr);
        tr = std::make_unique<TIBTransaction>(nullptr);
        ConfigureAsProgram(*db, path);
        ConfigureAsProgram(*tr, *db);
        db->SetDefaultTransaction(tr.get());
    }
    void TearDown() override
    {
        tr.reset();
        db.reset();
    }

    QTemporaryDir dir;
    QString path;
    std::unique_ptr<TIBDatabase> db;
    std::unique_ptr<TIBTransaction> tr;
};

// Catches the error a call raises, failing the test when it raises none.
template <class E, class Fn>
std::unique_ptr<E> CaughtError(Fn fn)
{
    try {
        fn();
    } catch (const E& e) {
        return std::make_unique<E>(e);
    }
    ADD_FAILURE() << "no error was raised";
    if constexpr (std::is_constructible_v<E, int, QString>)
        return std::make_unique<E>(0, QString());
    else
        return std::make_unique<E>(QString());
}
