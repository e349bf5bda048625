#include "tests/support/FixtureDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>

#include <stdexcept>

namespace FixtureDatabase {
namespace {

QTemporaryDir& TemplateDir()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/velmora-templates-XXXXXX"));
    return dir;
}

[[noreturn]] void Fail(const QString& what)
{
    throw std::runtime_error(what.toStdString());
}

QString Run(const QString& program, const QStringList& arguments, const QStringList& extraEnv, int* exitCode)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The tools are ordinary programs: no sanitizer runtime of ours is preloaded into them.
    env.remove(QStringLiteral("LD_PRELOAD"));
    for (const QString& entry : extraEnv) {
        const qsizetype eq = entry.indexOf(u'=');
        env.insert(entry.left(eq), entry.mid(eq + 1));
    }
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        Fail(QStringLiteral("cannot start %1").arg(program));
    process.waitForFinished(600000);
    *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromLocal8Bit(process.readAll());
}

QString WriteTempScript(const QByteArray& content)
{
    static int counter = 0;
    const QString path = TemplateDir().path() + QStringLiteral("/script-%1.sql").arg(++counter);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        Fail(QStringLiteral("cannot write %1").arg(path));
    return path;
}

QByteArray CreateHeader(const QString& path, int dialect)
{
    return QStringLiteral("SET SQL DIALECT %1;\nCREATE DATABASE '%2' USER 'SYSDBA' PASSWORD '%3' "
                          "PAGE_SIZE 8192 DEFAULT CHARACTER SET NONE;\n")
        .arg(dialect)
        .arg(path, QLatin1String(kPassword))
        .toLocal8Bit();
}

void Build(const QStringList& scripts, const QString& path, int dialect)
{
    QByteArray content = CreateHeader(path, dialect);
    for (const QString& script : scripts) {
        QFile file(SqlDir() + u'/' + script);
        if (!file.open(QIODevice::ReadOnly))
            Fail(QStringLiteral("cannot read script %1").arg(file.fileName()));
        content += file.readAll();
        content += "\nCOMMIT;\n";
    }
    int exitCode = 0;
    const QString output = Run(QStringLiteral("isql-fb"),
                               {QStringLiteral("-q"), QStringLiteral("-b"), QStringLiteral("-i"),
                                WriteTempScript(content)},
                               {}, &exitCode);
    if (exitCode != 0 || !QFile::exists(path))
        Fail(QStringLiteral("creating %1 from %2 failed:\n%3").arg(path, scripts.join(u'+'), output));
    if (RunGfix({QStringLiteral("-write"), QStringLiteral("async"), path}) != 0)
        Fail(QStringLiteral("gfix -write async %1 failed").arg(path));
}

void CopyTemplate(const QStringList& scripts, const QString& targetPath, int dialect)
{
    static QHash<QString, QString> templates;
    const QString key = scripts.join(u'+') + u'|' + QString::number(dialect);
    auto it = templates.find(key);
    if (it == templates.end()) {
        static int counter = 0;
        const QString name = TemplateDir().path() + QStringLiteral("/t%1.fdb").arg(++counter);
        Build(scripts, name, dialect);
        it = templates.insert(key, name);
    }
    QFile::remove(targetPath);
    if (!QFile::copy(it.value(), targetPath))
        Fail(QStringLiteral("cannot copy the template to %1").arg(targetPath));
    QFile::setPermissions(targetPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);
}

} // namespace

QString SqlDir()
{
    const QByteArray fromEnv = qgetenv("VELMORA_TEST_SQL_DIR");
    if (!fromEnv.isEmpty())
        return QString::fromLocal8Bit(fromEnv);
    return QStringLiteral(VELMORA_TEST_SQL_DIR);
}

void Create(const QStringList& scripts, const QString& targetPath, int dialect)
{
    CopyTemplate(scripts, targetPath, dialect);
}

void CreateEmpty(const QString& targetPath, int dialect)
{
    CopyTemplate({}, targetPath, dialect);
}

QString RunIsql(const QString& database, const QString& sql, const QStringList& extraEnv)
{
    QByteArray content = QStringLiteral("CONNECT '%1' USER 'SYSDBA' PASSWORD '%2';\n")
                             .arg(database, QLatin1String(kPassword))
                             .toLocal8Bit();
    content += sql.toLocal8Bit();
    content += "\nCOMMIT;\n";
    int exitCode = 0;
    const QString output = Run(QStringLiteral("isql-fb"),
                               {QStringLiteral("-q"), QStringLiteral("-b"), QStringLiteral("-i"),
                                WriteTempScript(content)},
                               extraEnv, &exitCode);
    if (exitCode != 0)
        Fail(QStringLiteral("isql-fb on %1 failed:\n%2").arg(database, output));
    return output;
}

int RunGfix(const QStringList& arguments, QString* output)
{
    int exitCode = 0;
    QStringList args = {QStringLiteral("-user"), QStringLiteral("SYSDBA"), QStringLiteral("-password"),
                        QLatin1String(kPassword)};
    args += arguments;
    const QString text = Run(QStringLiteral("gfix"), args, {}, &exitCode);
    if (output)
        *output = text;
    return exitCode;
}

} // namespace FixtureDatabase
