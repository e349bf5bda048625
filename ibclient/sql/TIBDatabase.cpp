#include "ibclient/sql/TIBDatabase.h"

#include "ibclient/base/TNumberFormat.h"
#include "ibclient/binding/EIBError.h"
#include "ibclient/binding/StatusVector.h"
#include "ibclient/sql/TIBBase.h"
#include "ibclient/sql/TIBSchema.h"
#include "ibclient/sql/TIBTransaction.h"

#include <array>
#include <optional>

namespace {

// How a database parameter is encoded; the parameter's code is its position
// (from 1) in the name table.
enum class TDpbKind {
    Refused,   // recognised, not supported
    Byte,      // code, 1, the value's low byte
    Text,      // code, length byte, the text
    Sweep,     // code, 1, 2 (the value is ignored)
    Zero,      // code, 1, 0 (the value is ignored)
    FourBytes, // code, 4, the value least significant byte first
    CharSet,   // text; also names the connection's character set
    Dialect,   // text whose first byte is lowered by 48 ("3" is sent as 3)
};

struct TDpbName {
    const char* name;
    TDpbKind kind;
};

constexpr std::array<TDpbName, 85> kDpbNames = {{
    {"cdd_pathname", TDpbKind::Refused},        {"allocation", TDpbKind::Refused},
    {"journal", TDpbKind::Refused},             {"page_size", TDpbKind::Refused},
    {"num_buffers", TDpbKind::Byte},            {"buffer_length", TDpbKind::Refused},
    {"debug", TDpbKind::Refused},               {"garbage_collect", TDpbKind::Refused},
    {"verify", TDpbKind::Byte},                 {"sweep", TDpbKind::Sweep},
    {"enable_journal", TDpbKind::Refused},      {"disable_journal", TDpbKind::Refused},
    {"dbkey_scope", TDpbKind::Byte},            {"number_of_users", TDpbKind::Refused},
    {"trace", TDpbKind::Refused},               {"no_garbage_collect", TDpbKind::Refused},
    {"damaged", TDpbKind::Byte},                {"license", TDpbKind::Text},
    {"sys_user_name", TDpbKind::Text},          {"encrypt_key", TDpbKind::Text},
    {"activate_shadow", TDpbKind::Zero},        {"sweep_interval", TDpbKind::FourBytes},
    {"delete_shadow", TDpbKind::Zero},          {"force_write", TDpbKind::Byte},
    {"begin_log", TDpbKind::Zero},              {"quit_log", TDpbKind::Zero},
    {"no_reserve", TDpbKind::Byte},             {"user_name", TDpbKind::Text},
    {"password", TDpbKind::Text},               {"password_enc", TDpbKind::Text},
    {"sys_user_name_enc", TDpbKind::Refused},   {"interp", TDpbKind::Refused},
    {"online_dump", TDpbKind::Byte},            {"old_file_size", TDpbKind::Byte},
    {"old_num_files", TDpbKind::Refused},       {"old_file_name", TDpbKind::Text},
    {"old_start_page", TDpbKind::Refused},      {"old_start_seqno", TDpbKind::Refused},
    {"old_start_file", TDpbKind::Refused},      {"drop_walfile", TDpbKind::Refused},
    {"old_dump_id", TDpbKind::Refused},         {"wal_backup_dir", TDpbKind::Refused},
    {"wal_chkptlen", TDpbKind::Refused},        {"wal_numbufs", TDpbKind::Refused},
    {"wal_bufsize", TDpbKind::Refused},         {"wal_grp_cmt_wait", TDpbKind::Refused},
    {"lc_messages", TDpbKind::Text},            {"lc_ctype", TDpbKind::CharSet},
    {"cache_manager", TDpbKind::Refused},       {"shutdown", TDpbKind::Refused},
    {"online", TDpbKind::Refused},              {"shutdown_delay", TDpbKind::Refused},
    {"reserved", TDpbKind::Refused},            {"overwrite", TDpbKind::Byte},
    {"sec_attach", TDpbKind::Refused},          {"disable_wal", TDpbKind::Refused},
    {"connect_timeout", TDpbKind::Refused},     {"dummy_packet_interval", TDpbKind::Refused},
    {"gbak_attach", TDpbKind::Refused},         {"sql_role_name", TDpbKind::Text},
    {"set_page_buffers", TDpbKind::Refused},    {"working_directory", TDpbKind::Refused},
    {"sql_dialect", TDpbKind::Dialect},         {"set_db_readonly", TDpbKind::Refused},
    {"set_db_sql_dialect", TDpbKind::Refused},  {"gfix_attach", TDpbKind::Refused},
    {"gstat_attach", TDpbKind::Refused},        {"gbak_ods_version", TDpbKind::Refused},
    {"gbak_ods_minor_version", TDpbKind::Refused}, {"set_group_commit", TDpbKind::Refused},
    {"gbak_validate", TDpbKind::Refused},       {"client_interbase_var", TDpbKind::Refused},
    {"admin_option", TDpbKind::Refused},        {"flush_interval", TDpbKind::Refused},
    {"instance_name", TDpbKind::Text},          {"old_overwrite", TDpbKind::Refused},
    {"archive_database", TDpbKind::Refused},    {"archive_journals", TDpbKind::Refused},
    {"archive_sweep", TDpbKind::Refused},       {"archive_dumps", TDpbKind::Refused},
    {"archive_recover", TDpbKind::Refused},     {"recover_until", TDpbKind::Refused},
    {"force", TDpbKind::Refused},               {"preallocate", TDpbKind::Refused},
    {"sys_encrypt_password", TDpbKind::Text},
}};

struct TCodePageOfCharSet {
    const char* name;
    int codePage;
};

constexpr TCodePageOfCharSet kCharSetCodePages[] = {
    {"NONE", 1252},     {"UTF8", 65001},    {"UNICODE_FSS", 65001}, {"SJIS_0208", 932}, {"WIN1250", 1250},
    {"WIN1251", 1251},  {"WIN1252", 1252},  {"WIN1253", 1253},      {"WIN1254", 1254},  {"ASCII", 20127},
    {"DOS437", 437},    {"DOS850", 850},    {"DOS852", 852},        {"DOS857", 857},    {"DOS860", 860},
    {"DOS861", 861},    {"DOS863", 863},    {"DOS865", 865},        {"EUCJ_0208", 20936},
    {"ISO8859_1", 28591}, {"GB_2312", 52936}, {"KSC_5601", 949},
};

// Lower-cases ASCII letters only, leaving every other character as it is.
QString AsciiLower(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return out;
}

qint32 IntegerValue(const QString& value)
{
    const std::optional<std::int64_t> number = TNumberFormat::ParseInteger(value, 32);
    if (!number)
        throw EConvertError(QStringLiteral("''%1'' is not a valid integer value").arg(value));
    return static_cast<qint32>(*number);
}

// A text item: the length byte counts the value's bytes, so a longer value
// cannot be sent without cutting it.
void AppendText(QByteArray& dpb, char code, const QString& name, const QByteArray& value)
{
    if (value.size() > 255)
        RaiseClientError(ceParameterValueTooLong, {name, static_cast<int>(value.size())});
    dpb.append(code);
    dpb.append(static_cast<char>(value.size()));
    dpb.append(value);
}

} // namespace

TIBDatabase::TIBDatabase(TComponent* AOwner)
    : TCustomConnection(AOwner), FGDSLibrary(SharedClientLibrary()), FIdleTimer([this] { IdleTimeout(); })
{
    FGDSLibrary->CheckIBLoaded();
    FIBLoaded = true;
    SetLoginPrompt(true);
    FDBParams.SetOnChanging([this] { CheckInactive(); });
    FDBParams.SetOnChange([this] { FDBParamsChanged = true; });
    FCodec = std::make_unique<TCodePage>(FCharacterSetCodePage);
    FInternalTransaction = new TIBTransaction(this);
    FInternalTransaction->SetDefaultDatabase(this);
    FSchema = CreateSchema(this);
}

TIBDatabase::~TIBDatabase()
{
    Destroying();
    if (!FIBLoaded)
        return;
    FIdleTimer.SetInterval(0);
    if (Connected()) {
        try {
            Close();
        } catch (...) {
            try {
                ForceClose();
            } catch (...) {
            }
        }
    }
    FSQLObjects.ForEach([](TIBBase* link, int) {
        try {
            link->DoDatabaseFree();
        } catch (...) {
        }
    });
    FSQLObjects.ForEach([](TIBBase* link, int) { link->SetDatabase(nullptr); });
    // The schema's statements are the connection's own; they go before the lists.
    FSchema.reset();
    RemoveTransactions();
    delete FInternalTransaction;
    FInternalTransaction = nullptr;
}

void TIBDatabase::Notification(TComponent* AComponent, TOperation Operation)
{
    TCustomConnection::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove)
        return;
    if (AComponent == FDefaultTransaction) {
        RemoveTransaction(FTransactions.Find(FDefaultTransaction));
        FDefaultTransaction = nullptr;
    }
}

void TIBDatabase::SetDatabaseName(const QString& Value)
{
    if (Value == FDBName)
        return;
    CheckInactive();
    FDBName = Value;
    FlushSchema();
}

void TIBDatabase::SetSQLDialect(int Value)
{
    if (Value < 1 || (Connected() && Value > FDBSQLDialect))
        RaiseClientError(ceSQLDialectInvalid);
    FSQLDialect = Value;
}

void TIBDatabase::SetDefaultTransaction(TIBTransaction* Value)
{
    if (FDefaultTransaction && FDefaultTransaction != Value) {
        const int slot = FTransactions.Find(FDefaultTransaction);
        if (slot >= 0 && FDefaultTransaction->DefaultDatabase() != this)
            RemoveTransaction(slot);
        RemoveFreeNotification(FDefaultTransaction);
    }
    if (Value && Value != FDefaultTransaction) {
        Value->AddDatabase(this);
        AddTransaction(Value);
        FreeNotification(Value);
    }
    FDefaultTransaction = Value;
}

void TIBDatabase::CheckActive()
{
    if (!Connected())
        RaiseClientError(ceDatabaseClosed);
}

void TIBDatabase::CheckInactive()
{
    if (Connected())
        RaiseClientError(ceDatabaseOpen);
}

void TIBDatabase::CheckDatabaseName()
{
    if (FDBName.isEmpty())
        RaiseClientError(ceDatabaseNameMissing);
}

int TIBDatabase::CodePageOfCharacterSet(const QString& CharacterSet)
{
    for (const TCodePageOfCharSet& entry : kCharSetCodePages)
        if (CharacterSet == QLatin1String(entry.name))
            return entry.codePage;
    return 0;
}

void TIBDatabase::SetCharacterSet(const QString& Name)
{
    FCharacterSet = Name;
    FCharacterSetCodePage = CodePageOfCharacterSet(Name);
    if (FCodec->CodePage() != FCharacterSetCodePage)
        FCodec = std::make_unique<TCodePage>(FCharacterSetCodePage);
}

QByteArray TIBDatabase::BuildDPB(const QStringList& Lines, QString* CharacterSet)
{
    QByteArray dpb(1, static_cast<char>(isc_dpb_version1));
    for (const QString& line : Lines) {
        const qsizetype eq = line.indexOf(u'=');
        const QString written = eq < 0 ? QString() : line.left(eq);
        if (written.trimmed().isEmpty())
            continue;
        QString name = AsciiLower(written);
        const QString value = line.mid(eq + 1);
        if (name.startsWith(QLatin1String("isc_dpb_")))
            name.remove(0, 8);
        const auto entry = std::find_if(kDpbNames.begin(), kDpbNames.end(),
                                        [&](const TDpbName& n) { return name == QLatin1String(n.name); });
        if (entry == kDpbNames.end())
            RaiseClientError(ceDpbConstantUnknown, {written});
        const char code = static_cast<char>(entry - kDpbNames.begin() + 1);
        const QString itemName = QLatin1String(entry->name);
        switch (entry->kind) {
        case TDpbKind::Refused:
            RaiseClientError(ceDpbConstantUnsupported, {itemName});
        case TDpbKind::Byte:
            dpb.append(code).append('\1').append(static_cast<char>(IntegerValue(value) & 0xFF));
            break;
        case TDpbKind::Sweep:
            dpb.append(code).append('\1').append('\2');
            break;
        case TDpbKind::Zero:
            dpb.append(code).append('\1').append('\0');
            break;
        case TDpbKind::FourBytes: {
            const auto n = static_cast<quint32>(IntegerValue(value));
            dpb.append(code).append('\4');
            for (int shift = 0; shift < 32; shift += 8)
                dpb.append(static_cast<char>((n >> shift) & 0xFF));
            break;
        }
        case TDpbKind::Text:
            AppendText(dpb, code, itemName, TCodePage::EncodeSystem(value));
            break;
        case TDpbKind::CharSet:
            AppendText(dpb, code, itemName, TCodePage::EncodeSystem(value));
            if (CharacterSet)
                *CharacterSet = value;
            break;
        case TDpbKind::Dialect: {
            QByteArray bytes = TCodePage::EncodeSystem(value);
            // There is no first byte to lower; sending the bare item would be malformed.
            if (bytes.isEmpty())
                RaiseClientError(ceParameterValueMissing, {itemName});
            bytes[0] = static_cast<char>(bytes[0] - 48);
            AppendText(dpb, code, itemName, bytes);
            break;
        }
        }
    }
    return dpb;
}

void TIBDatabase::DoConnect()
{
    CheckInactive();
    CheckDatabaseName();
    if (FDBParamsChanged) {
        // Cleared before the build; a build that fails sets it again, so that
        // the next connect builds (and fails) again instead of sending a
        // block that no longer matches Params.
        FDBParamsChanged = false;
        QString characterSet = QStringLiteral("NONE");
        try {
            FDPB = BuildDPB(FDBParams.Lines(), &characterSet);
        } catch (...) {
            FDBParamsChanged = true;
            throw;
        }
        SetCharacterSet(characterSet);
    }
    const QByteArray name = TCodePage::EncodeSystem(FDBName);
    const ISC_STATUS result =
        FGDSLibrary->isc_attach_database(ThreadStatusVector(),
                                         static_cast<short>(name.size()), // name length
                                         name.constData(),                // zero-terminated
                                         &FHandle,
                                         static_cast<short>(FDPB.size()),
                                         FDPB.constData());
    if (Call(result, false) > 0) {
        FHandle = 0;
        RaiseStatusVectorError(*FGDSLibrary);
    }
    ReadDialect();
    if (FDBSQLDialect < FSQLDialect) {
        FSQLDialect = FDBSQLDialect;
        if (FOnDialectDowngradeWarning)
            FOnDialectDowngradeWarning(this);
    }
}

void TIBDatabase::ReadDialect()
{
    const char items[] = {isc_info_db_sql_dialect};
    std::array<char, 512> reply{};
    const ISC_STATUS result = FGDSLibrary->isc_database_info(ThreadStatusVector(), &FHandle, 1, items,
                                                             static_cast<short>(reply.size()), reply.data());
    Call(result, true);
    // Reply: item, 2-byte length, value. Anything else means dialect 1.
    int dialect = 1;
    if (static_cast<unsigned char>(reply[0]) == isc_info_db_sql_dialect) {
        const int length = static_cast<int>(FGDSLibrary->isc_vax_integer(&reply[1], 2));
        if (length > 0 && length <= 4 && 3 + length <= static_cast<int>(reply.size()))
            dialect = static_cast<int>(FGDSLibrary->isc_vax_integer(&reply[3], static_cast<short>(length)));
    }
    FDBSQLDialect = dialect;
}

void TIBDatabase::DoDisconnect()
{
    try {
        CloseAttachment(false);
    } catch (...) {
        ForceClose();
        throw;
    }
    FDBSQLDialect = 1;
}

void TIBDatabase::CloseAttachment(bool Force)
{
    CheckActive();
    isc_db_handle saved = 0;
    if (Force) {
        // Dependants see a detached connection while they are told.
        saved = FHandle;
        FHandle = 0;
    }
    auto tell = [Force](auto&& notify) {
        try {
            notify();
        } catch (...) {
            if (!Force)
                throw;
        }
    };
    FSQLObjects.ForEach([&](TIBBase* link, int) { tell([link] { link->DoBeforeDatabaseDisconnect(); }); });
    FTransactions.ForEach(
        [&](TIBTransaction* transaction, int) { tell([transaction] { transaction->DatabaseDisconnecting(); }); });
    if (Force)
        FHandle = saved;
    if (!FHandleIsShared) {
        const ISC_STATUS result = FGDSLibrary->isc_detach_database(ThreadStatusVector(), &FHandle);
        if (Call(result, false) > 0 && !Force)
            RaiseStatusVectorError(*FGDSLibrary, MessageCodePage());
    }
    FHandle = 0;
    FHandleIsShared = false;
    FSQLObjects.ForEach([&](TIBBase* link, int) { tell([link] { link->DoAfterDatabaseDisconnect(); }); });
}

void TIBDatabase::ForceClose()
{
    if (!Connected())
        return;
    DoBeforeDisconnect();
    SendConnectEvent(false);
    CloseAttachment(true);
    DoAfterDisconnect();
}

void TIBDatabase::IdleTimeout()
{
    if (!Connected())
        return;
    ForceClose();
    if (FOnIdleTimer)
        FOnIdleTimer(this);
}

ISC_STATUS TIBDatabase::Call(ISC_STATUS ErrCode, bool RaiseError)
{
    FIdleTimer.MarkUsed();
    if (RaiseError && StatusVectorShowsLostConnection()) {
        // The message must be composed before the forced close overwrites the status vector.
        const ISC_STATUS* vector = ThreadStatusVector();
        const int errorCode = static_cast<int>(vector[1]);
        const int sqlCode = static_cast<int>(FGDSLibrary->isc_sqlcode(vector));
        const QString text = InterpretStatusVector(*FGDSLibrary, vector, MessageCodePage());
        ForceClose();
        throw EIBInterBaseError(sqlCode, errorCode, text);
    }
    if (RaiseError && ErrCode > 0)
        RaiseStatusVectorError(*FGDSLibrary, MessageCodePage());
    return ErrCode;
}

int TIBDatabase::AddTransaction(TIBTransaction* TR)
{
    if (FTransactions.Find(TR) >= 0)
        return -1;
    return FTransactions.Add(TR);
}

void TIBDatabase::RemoveTransaction(int Idx)
{
    TIBTransaction* transaction = FTransactions.Remove(Idx);
    if (!transaction)
        return;
    transaction->RemoveDatabase(transaction->FindDatabase(this));
    if (transaction == FDefaultTransaction) {
        RemoveFreeNotification(FDefaultTransaction);
        FDefaultTransaction = nullptr;
    }
}

void TIBDatabase::RemoveTransactions()
{
    for (int i = 0; i < FTransactions.Size(); ++i)
        RemoveTransaction(i);
}

TIBTransaction* TIBDatabase::FindDefaultTransaction() const
{
    if (FDefaultTransaction)
        return FDefaultTransaction;
    TIBTransaction* found = nullptr;
    FTransactions.ForEach([&](TIBTransaction* transaction, int) {
        if (!found && transaction != FInternalTransaction && transaction->DefaultDatabase() == this)
            found = transaction;
    });
    return found;
}

int TIBDatabase::RegisterSQLObject(TIBBase* Obj)
{
    if (TDataSet* dataSet = AsDataSet(Obj->Owner()))
        RegisterClient(dataSet);
    return FSQLObjects.Add(Obj);
}

void TIBDatabase::UnregisterSQLObject(int Idx)
{
    TIBBase* link = FSQLObjects.Remove(Idx);
    if (!link)
        return;
    link->FDatabase = nullptr;
    link->FIndexInDatabase = -1;
    if (TDataSet* dataSet = AsDataSet(link->Owner()))
        UnRegisterClient(dataSet);
}

bool TIBDatabase::Has_DEFAULT_VALUE(const QString& Relation, const QString& Field)
{
    return FSchema->Has_DEFAULT_VALUE(Relation, Field);
}

bool TIBDatabase::Has_COMPUTED_BLR(const QString& Relation, const QString& Field)
{
    return FSchema->Has_COMPUTED_BLR(Relation, Field);
}

bool TIBDatabase::In_Key(const QString& Relation, const QString& Field)
{
    return FSchema->In_Key(Relation, Field);
}

void TIBDatabase::FlushSchema()
{
    if (FSchema)
        FSchema->FreeNodes();
}
