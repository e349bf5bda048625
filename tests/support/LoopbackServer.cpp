#include "tests/support/LoopbackServer.h"

#include "tests/support/FixtureDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <chrono>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace {

const char* const kFirebirdLib = "/usr/lib/x86_64-linux-gnu/firebird/3.0";

[[noreturn]] void Fail(const QString& what)
{
    throw std::runtime_error(what.toStdString());
}

// A port that was free a moment ago.
int FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        Fail(QStringLiteral("cannot find a free port"));
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

bool CanConnect(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

void WriteFile(const QString& path, const QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toLocal8Bit()) < 0)
        Fail(QStringLiteral("cannot write %1").arg(path));
}

} // namespace

bool LoopbackServer::Available()
{
    return QFileInfo(QLatin1String(kServerBinary)).isExecutable();
}

QString LoopbackServer::SkipMessage()
{
    return QStringLiteral("the Firebird server %1 is not installed (package firebird3.0-server); "
                          "run scripts/install-deps.sh")
        .arg(QLatin1String(kServerBinary));
}

LoopbackServer::LoopbackServer() : FRoot(QDir::tempPath() + QStringLiteral("/velmora-server-XXXXXX"))
{
    if (!Available())
        Fail(SkipMessage());
    const QString root = FRoot.path();
    for (const char* entry : {"plugins", "intl", "firebird.msg", "lib", "UDF"}) {
        const QString target = QLatin1String(kFirebirdLib) + u'/' + QLatin1String(entry);
        if (!QFile::link(target, root + u'/' + QLatin1String(entry)))
            Fail(QStringLiteral("cannot link %1").arg(target));
    }
    QFile::copy(QStringLiteral("/etc/firebird/3.0/plugins.conf"), root + QStringLiteral("/plugins.conf"));
    QDir(root).mkdir(QStringLiteral("db"));
    FPort = FreePort();
    const QString security = root + QStringLiteral("/security3.fdb");
    WriteFile(root + QStringLiteral("/firebird.conf"),
              QStringLiteral("RemoteServicePort = %1\n"
                             "RemoteBindAddress = 127.0.0.1\n"
                             "SecurityDatabase = %2\n"
                             "ServerMode = Super\n"
                             "AuthServer = Srp\n"
                             "UserManager = Srp\n"
                             "IpcName = velmora_test_%1\n"
                             "GuardianOption = 0\n")
                  .arg(FPort)
                  .arg(security));
    WriteFile(root + QStringLiteral("/databases.conf"), QStringLiteral("security.db = %1\n").arg(security));

    // An empty database serves as security database; Srp adds its table with the first user.
    FixtureDatabase::CreateEmpty(security, 3);
    FixtureDatabase::RunIsql(security,
                             QStringLiteral("CREATE USER SYSDBA PASSWORD '%1' USING PLUGIN Srp;\n"
                                            "CREATE USER %2 PASSWORD '%3' USING PLUGIN Srp;\n")
                                 .arg(QLatin1String(FixtureDatabase::kPassword), QLatin1String(kClerkUser),
                                      QLatin1String(kClerkPassword)),
                             {QStringLiteral("FIREBIRD=") + root});
    Start();
}

LoopbackServer::~LoopbackServer()
{
    try {
        Stop();
    } catch (...) {
    }
}

QString LoopbackServer::Prefix() const
{
    return QStringLiteral("127.0.0.1/%1:").arg(FPort);
}

QString LoopbackServer::DatabaseDir() const
{
    return FRoot.path() + QStringLiteral("/db");
}

QString LoopbackServer::Local(const QString& fileName) const
{
    return DatabaseDir() + u'/' + fileName;
}

QString LoopbackServer::Remote(const QString& fileName) const
{
    return Prefix() + Local(fileName);
}

QString LoopbackServer::CreateDatabase(const QString& fileName, const QStringList& scripts, int dialect) const
{
    const QString path = Local(fileName);
    FixtureDatabase::Create(scripts, path, dialect);
    return path;
}

void LoopbackServer::Start()
{
    if (FPid > 0)
        return;
    const QByteArray rootEnv = (QStringLiteral("FIREBIRD=") + FRoot.path()).toLocal8Bit();
    std::vector<char*> env;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "FIREBIRD=", 9) != 0 && std::strncmp(*e, "LD_PRELOAD=", 11) != 0)
            env.push_back(*e);
    env.push_back(const_cast<char*>(rootEnv.constData()));
    env.push_back(nullptr);
    char* argv[] = {const_cast<char*>(kServerBinary), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray log = (FRoot.path() + QStringLiteral("/server.log")).toLocal8Bit();
    posix_spawn_file_actions_addopen(&actions, 1, log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, kServerBinary, &actions, nullptr, argv, env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        Fail(QStringLiteral("cannot start %1: %2").arg(QLatin1String(kServerBinary)).arg(rc));
    FPid = pid;
    WaitUntilListening();
}

void LoopbackServer::WaitUntilListening()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!CanConnect(FPort)) {
        int status = 0;
        if (::waitpid(FPid, &status, WNOHANG) == FPid) {
            FPid = -1;
            Fail(QStringLiteral("the loopback server exited at start (port %1)").arg(FPort));
        }
        if (std::chrono::steady_clock::now() > deadline)
            Fail(QStringLiteral("the loopback server does not listen on port %1").arg(FPort));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void LoopbackServer::Stop()
{
    if (FPid <= 0)
        return;
    ::kill(FPid, SIGTERM);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (::waitpid(FPid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(FPid, SIGKILL);
            ::waitpid(FPid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    FPid = -1;
}

void LoopbackServer::Kill()
{
    if (FPid <= 0)
        return;
    ::kill(FPid, SIGKILL);
    int status = 0;
    ::waitpid(FPid, &status, 0);
    FPid = -1;
    // The port stays in use until the kernel lets go of the listening socket.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (CanConnect(FPort) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}
