// Test databases, made by the tests themselves from the SQL scripts under
// tests/sql through the embedded engine (isql-fb, a process of its own, so
// that no file stays open in the test process).
//
// Each script is run once per test process and dialect into a template file;
// every test then gets its own copy, so tests never share a database.
#pragma once

#include <QString>
#include <QStringList>

namespace FixtureDatabase {

// The SYSDBA password the program is configured with; fixtures and the
// loopback server use it too.
inline constexpr const char* kPassword = "quietloom";

// Directory holding the SQL scripts.
QString SqlDir();

// The patient database: IMMAGINI and a handful of rows.
inline const QStringList kPatient = {QStringLiteral("patient_schema.sql"), QStringLiteral("patient_rows.sql")};

// Creates targetPath as a copy of the database made by running `scripts`
// (file names under tests/sql, in order) in the given SQL dialect, with
// forced writes off.
void Create(const QStringList& scripts, const QString& targetPath, int dialect = 1);

// Creates an empty database (no script).
void CreateEmpty(const QString& targetPath, int dialect = 1);

// Runs SQL text against an existing database file through isql-fb, as SYSDBA.
// The file must not be open in the calling process. Returns isql's output;
// a failing statement fails the call with the output in the exception text.
QString RunIsql(const QString& database, const QString& sql, const QStringList& extraEnv = {});

// Runs gfix with the given arguments; answers its exit code and output.
int RunGfix(const QStringList& arguments, QString* output = nullptr);

} // namespace FixtureDatabase
