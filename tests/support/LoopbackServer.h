// A Firebird server of the tests' own on 127.0.0.1: /usr/sbin/firebird with a
// private root folder (its own firebird.conf bound to loopback on a free
// port, its own security database and database folder), started and stopped
// by PID, and killable on purpose to cut live connections.
//
// Users: SYSDBA with the program's password, and CLERK, an ordinary user.
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <sys/types.h>

class LoopbackServer {
public:
    static constexpr const char* kServerBinary = "/usr/sbin/firebird";
    static constexpr const char* kClerkUser = "CLERK";
    static constexpr const char* kClerkPassword = "clerkpw";

    // Whether the server binary is installed; tests that need the server skip
    // with a message naming it when it is not.
    static bool Available();
    static QString SkipMessage();

    LoopbackServer();  // prepares the root and starts the server
    ~LoopbackServer(); // stops it

    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int Port() const { return FPort; }
    // "127.0.0.1/<port>:" — prefix of a database name reached through this server.
    QString Prefix() const;
    // Folder for database files served by this server.
    QString DatabaseDir() const;
    // Prefix() + a file in DatabaseDir().
    QString Remote(const QString& fileName) const;
    // Absolute path of a file in DatabaseDir().
    QString Local(const QString& fileName) const;

    // Creates a database in DatabaseDir() from a script (see FixtureDatabase)
    // and answers its local path.
    QString CreateDatabase(const QString& fileName, const QStringList& scripts, int dialect = 1) const;

    void Start();
    void Stop();   // SIGTERM, then wait
    void Kill();   // SIGKILL: live connections are cut
    bool Running() const { return FPid > 0; }

private:
    void WaitUntilListening();

    QTemporaryDir FRoot;
    int FPort = 0;
    pid_t FPid = -1;
};
