// Fuzzes the conversion of ":name" parameters against the embedded engine's
// own parser. For each statement text that the conversion takes, the
// converted text is prepared (never run) in a database of the engine; when
// the engine accepts it, it must describe exactly as many parameters as the
// conversion listed. A difference means a marker that one side sees inside a
// comment or a string and the other does not, and values sent by position
// would reach the wrong markers.
//
// The input's first byte chooses the dialect, 1 (the program's) or 3, so
// that double quotes are tried both as strings and as identifiers, and how
// the rest becomes a text: taken as UTF-8 as it is, or read byte by byte as
// a choice among conditions of a where clause, which reaches texts the
// engine accepts far more often. The table T (A, B, C) gives the texts columns to
// name.
#include "FuzzSupport.h"

#include "ibclient/binding/IGDSLibrary.h"
#include "ibclient/binding/StatusVector.h"
#include "ibclient/binding/TCodePage.h"
#include "ibclient/sql/TIBDatabase.h"
#include "ibclient/sql/TIBSQL.h"
#include "ibclient/sql/TIBTransaction.h"

#include <QFile>
#include <QTemporaryDir>

#include <iterator>
#include <memory>
#include <optional>

namespace {

// One database for the whole run, attached through the layer's own
// connection, with one transaction in which texts are only prepared.
class TEngine {
public:
    TEngine() : FLibrary(SharedClientLibrary())
    {
        FLibrary->CheckIBLoaded();
        if (!FDir.isValid())
            fuzz::Fail("no temporary folder for the engine's database");
        const QString path = FDir.filePath(QStringLiteral("oracle.fdb"));
        Create(path);
        FDatabase.SetParams({QStringLiteral("user_name=sysdba")});
        FDatabase.SetLoginPrompt(false);
        FDatabase.SetSQLDialect(3);
        FDatabase.SetDatabaseName(path);
        FDatabase.SetDefaultTransaction(&FTransaction);
        FTransaction.SetDefaultDatabase(&FDatabase);
        FDatabase.Open();
        FTransaction.StartTransaction();
        TIBSQL ddl(nullptr);
        ddl.SetDatabase(&FDatabase);
        ddl.SetTransaction(&FTransaction);
        ddl.SetParamCheck(false);
        ddl.SetSQLText(QStringLiteral("create table T (A integer, B varchar(40), C date)"));
        ddl.ExecQuery();
        FTransaction.Commit();
        FTransaction.StartTransaction();
    }
    ~TEngine()
    {
        try {
            FTransaction.Rollback();
            FDatabase.Close();
        } catch (...) {
        }
    }

    // The number of parameters the engine describes for the text, or none
    // when it does not take the text.
    std::optional<int> DescribedParameters(const QByteArray& text, unsigned short dialect)
    {
        IGDSLibrary& lib = *FLibrary;
        struct TStatement {
            IGDSLibrary& lib;
            isc_stmt_handle handle = 0;
            ~TStatement()
            {
                if (handle)
                    lib.isc_dsql_free_statement(ThreadStatusVector(), &handle, DSQL_drop);
            }
        } statement{lib};
        if (lib.isc_dsql_alloc_statement2(ThreadStatusVector(), FDatabase.HandleAddress(), &statement.handle))
            fuzz::Fail("the engine allocates no statement", InterpretStatusVector(lib, ThreadStatusVector()));
        if (lib.isc_dsql_prepare(ThreadStatusVector(), FTransaction.HandleAddress(), &statement.handle, 0,
                                 text.constData(), dialect, nullptr))
            return std::nullopt;
        XSQLDA probe{};
        probe.version = SQLDA_VERSION1;
        probe.sqln = 1;
        if (lib.isc_dsql_describe_bind(ThreadStatusVector(), &statement.handle, dialect, &probe))
            return std::nullopt;
        return probe.sqld;
    }

private:
    // A new database of the engine's own, created and left detached.
    void Create(const QString& path)
    {
        QByteArray sql = "create database '" + QFile::encodeName(path) + "' user 'SYSDBA'";
        isc_db_handle database = 0;
        isc_tr_handle transaction = 0;
        if (FLibrary->isc_dsql_execute_immediate(ThreadStatusVector(), &database, &transaction, 0, sql.constData(),
                                                 3, nullptr))
            fuzz::Fail("the engine creates no database", InterpretStatusVector(*FLibrary, ThreadStatusVector()));
        FLibrary->isc_detach_database(ThreadStatusVector(), &database);
    }

    std::shared_ptr<IGDSLibrary> FLibrary;
    QTemporaryDir FDir;
    TIBDatabase FDatabase{nullptr};
    TIBTransaction FTransaction{nullptr};
};

TEngine& Engine()
{
    static TEngine engine;
    return engine;
}

// Conditions on T, each a whole one the engine accepts, with markers and
// the quotes and comments around them that decide whether they count; and a
// few loose quote and comment marks, which make the texts around them
// something else.
constexpr const char* kConditions[] = {
    "A = ?", "A = :P", "B = :\"p q\"", "B = 'x:y'", "B = 'it''s :x'", "\"A\" = ?", "B = \"x:y\"",
    "A = :P/* :x */", "A = ?/* ? */", "/* :x */ A = ?", "A = :P-- :x\n", "A = ?-- ?\r", "A = 1 -- :x\r\n",
    "B = :P||'x:y'", "B = ?||'--'", "B = '/*'||?", "B = q'{it's :x}'", "B = Q'!:x'!'", "B = q'<:x>'||:P",
    "B = q'(a)'", "(A = ? or B = :Q)", "A = :P:Q", "A in (?, :P, 1)", "C = ?", "A = 1", "'", "\"", "--", "/*", "*/",
    "\n", "\r", "q'{", "}'",
};

QString FromConditions(const std::uint8_t* data, std::size_t size)
{
    QString text = QStringLiteral("select A from T where A = 1");
    for (std::size_t i = 0; i < size; ++i)
        text += QLatin1String(i % 2 ? " or " : " and ") + QLatin1String(kConditions[data[i] % std::size(kConditions)]);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const unsigned short dialect = (data[0] & 1) ? 3 : 1;
    const QString text = (data[0] & 2) ? FromConditions(data + 1, size - 1) : fuzz::Utf8(data + 1, size - 1);
    TIBSQL::TConvertedSQL converted;
    try {
        converted = TIBSQL::ConvertNamedParams(text, true);
    } catch (const EIBClientError& e) {
        FUZZ_CHECK(fuzz::HasCode(e, {ceSQLParseError}), e.Message());
        return 0;
    }
    // What a prepare refuses before the server sees it: a character 0, and
    // characters the connection's code page lacks.
    if (converted.Text.contains(QChar(u'\0')))
        return 0;
    static const TCodePage codePage(1252);
    QByteArray bytes;
    try {
        bytes = codePage.Encode(converted.Text);
    } catch (const EIBClientError&) {
        return 0;
    }
    const std::optional<int> described = Engine().DescribedParameters(bytes, dialect);
    if (!described)
        return 0;
    FUZZ_CHECK(*described == converted.Names.size(),
               QStringLiteral("the engine describes %1 parameters, the conversion lists %2 (dialect %3)\n%4\n%5")
                   .arg(*described)
                   .arg(converted.Names.size())
                   .arg(dialect)
                   .arg(text, converted.Text));
    return 0;
}
