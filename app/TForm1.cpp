#include "app/TForm1.h"

#include "app/MessageDialog.h"
#include "app/TApplication.h"
#include "app/TOpenDialog.h"
#include "app/TWalkProgress.h"
#include "grid/TDBGrid.h"
#include "ibclient/dataset/TDataSource.h"
#include "ibclient/ibdataset/TIBDataSet.h"
#include "ibclient/sql/TIBDatabase.h"
#include "ibclient/sql/TIBSQL.h"
#include "ibclient/sql/TIBXSQLVAR.h"
#include "ibclient/sql/TIBTransaction.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <optional>

namespace {

// The window's statements on IMMAGINI, one list entry per line.
const QStringList kSelectSQL = {QStringLiteral("select CODICE_CLIENTE,NUMERO_CARTELLA, AUTOID,EXTFILE from IMMAGINI")};
const QStringList kModifySQL = {QStringLiteral("update IMMAGINI"),
                                QStringLiteral("set"),
                                QStringLiteral("  EXTFILE = :EXTFILE"),
                                QStringLiteral("where"),
                                QStringLiteral("  AUTOID is not distinct from :OLD_AUTOID and"),
                                QStringLiteral("  CODICE_CLIENTE is not distinct from :OLD_CODICE_CLIENTE and"),
                                QStringLiteral("  NUMERO_CARTELLA is not distinct from :OLD_NUMERO_CARTELLA")};
const QStringList kInsertSQL = {QStringLiteral("insert into IMMAGINI"), QStringLiteral("  (AUTOID, EXTFILE)"),
                                QStringLiteral("values"), QStringLiteral("  (:AUTOID, :EXTFILE)")};
const QStringList kDeleteSQL = {QStringLiteral("delete from IMMAGINI"), QStringLiteral("where"),
                                QStringLiteral("  AUTOID = :OLD_AUTOID")};
const QStringList kRefreshSQL = {QStringLiteral("Select "),        QStringLiteral("  CODICE_CLIENTE,"),
                                 QStringLiteral("  NUMERO_CARTELLA,"), QStringLiteral("  AUTOID,"),
                                 QStringLiteral("  ZONA,"),         QStringLiteral("  DATA,"),
                                 QStringLiteral("  EXTFILE,"),      QStringLiteral("  GRAPHICS,"),
                                 QStringLiteral("  COMMENTO,"),     QStringLiteral("  MISURE"),
                                 QStringLiteral("from IMMAGINI "),  QStringLiteral("where"),
                                 QStringLiteral("  AUTOID = :AUTOID")};

// The rows a walk will look at, counted for its progress box.
const QStringList kCountSQL = {QStringLiteral("select count(*) from IMMAGINI")};

// The client area the window was designed for.
constexpr int kClientWidth = 471;
constexpr int kClientHeight = 314;

} // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent), TComponent(nullptr)
{
    SetName(QStringLiteral("Form1"));
    CreateComponents();
    ConfigureDatabaseObjects();
    LayOutControls();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::CreateComponents()
{
    auto named = [](auto* component, const char* name) {
        component->SetName(QLatin1String(name));
        return component;
    };
    auto widget = [this](auto* w, const char* name) {
        w->setObjectName(QLatin1String(name));
        w->setParent(this);
        return w;
    };
    DataSource1 = named(new TDataSource(this), "DataSource1");
    // Creating the connection loads the client library; a missing library
    // ends the window's creation here.
    IBDatabase1 = named(new TIBDatabase(this), "IBDatabase1");
    IBTransaction1 = named(new TIBTransaction(this), "IBTransaction1");
    IBDataSet1 = named(new TIBDataSet(this), "IBDataSet1");
    DBGrid1 = widget(new TDBGrid(), "DBGrid1");
    Button1 = widget(new QPushButton(), "Button1");
    Edit1 = widget(new QLineEdit(), "Edit1");
    Label1 = widget(new QLabel(), "Label1");
    SpeedButton1 = widget(new QPushButton(), "SpeedButton1");
    SpeedButton2 = widget(new QPushButton(), "SpeedButton2");
    OpenDialog1 = named(new TOpenDialog(this), "OpenDialog1");
    Button2 = widget(new QPushButton(), "Button2");
    Edit2 = widget(new QLineEdit(), "Edit2");
    Edit3 = widget(new QLineEdit(), "Edit3");
}

void TForm1::ConfigureDatabaseObjects()
{
    DataSource1->SetDataSet(IBDataSet1);

    IBDatabase1->SetParams({QStringLiteral("user_name=sysdba"), QStringLiteral("password=quietloom")});
    IBDatabase1->SetLoginPrompt(false);
    IBDatabase1->SetDefaultTransaction(IBTransaction1);
    IBDatabase1->SetSQLDialect(1);

    IBTransaction1->SetDefaultDatabase(IBDatabase1);
    IBTransaction1->SetDefaultAction(TACommitRetaining);
    IBTransaction1->SetParams(
        {QStringLiteral("read_committed"), QStringLiteral("rec_version"), QStringLiteral("nowait")});

    IBDataSet1->SetDatabase(IBDatabase1);
    IBDataSet1->SetTransaction(IBTransaction1);
    IBDataSet1->SetSelectSQL(kSelectSQL);
    IBDataSet1->SetModifySQL(kModifySQL);
    IBDataSet1->SetInsertSQL(kInsertSQL);
    IBDataSet1->SetDeleteSQL(kDeleteSQL);
    IBDataSet1->SetRefreshSQL(kRefreshSQL);
    IBDataSet1->SetAfterPost([this](TDataSet* DataSet) { IBDataSet1AfterPost(DataSet); });
}

void TForm1::LayOutControls()
{
    setWindowTitle(QStringLiteral("VELMORA"));
    setFont(WindowFont());
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    resize(kClientWidth, kClientHeight);

    Label1->setText(QStringLiteral("File Database Pazienti"));
    Label1->setGeometry(8, 8, 105, 13);

    Edit1->setText(QLatin1String(kDefaultPath));
    Edit1->setGeometry(8, 24, 361, 21);

    // The two speed buttons never take the keyboard focus, so pressing them
    // leaves the grid's editor (and its pending text) as it is.
    SpeedButton1->setText(QStringLiteral("..."));
    SpeedButton1->setToolTip(QStringLiteral("Scegli Database"));
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton1->setGeometry(368, 24, 23, 22);

    SpeedButton2->setText(QStringLiteral("Apri Database"));
    SpeedButton2->setFocusPolicy(Qt::NoFocus);
    SpeedButton2->setGeometry(392, 24, 73, 22);

    DBGrid1->SetDataSource(DataSource1);
    DBGrid1->SetTitleFont(font());
    DBGrid1->setGeometry(8, 64, 457, 217);

    // Created hidden; it lies over the lower-right corner of the grid.
    Button1->setText(QStringLiteral("Esegui"));
    Button1->setGeometry(392, 248, 75, 25);
    Button1->setVisible(false);

    Button2->setText(QStringLiteral("Sostituisti stringa"));
    Button2->setGeometry(8, 288, 129, 25);

    Edit2->setText(QStringLiteral("+\\immagini\\"));
    Edit2->setGeometry(160, 288, 121, 21);

    Edit3->setText(QStringLiteral(":immagini:"));
    Edit3->setGeometry(344, 288, 121, 21);

    // Stacking and tab order; the grid holds the focus when the window opens.
    Button1->raise();
    setTabOrder(DBGrid1, Button1);
    setTabOrder(Button1, Edit1);
    setTabOrder(Edit1, Button2);
    setTabOrder(Button2, Edit2);
    setTabOrder(Edit2, Edit3);
    DBGrid1->setFocus();

    // Handlers run as the event loop runs them: an error ends the handler
    // and is shown, and the window goes on.
    auto wire = [this](QPushButton* button, void (TForm1::*handler)()) {
        QObject::connect(button, &QPushButton::clicked, this, [this, button, handler] {
            RunHandler(button, [this, handler] { (this->*handler)(); });
        });
    };
    wire(SpeedButton1, &TForm1::SpeedButton1Click);
    wire(SpeedButton2, &TForm1::SpeedButton2Click);
    wire(Button2, &TForm1::Button2Click);
    wire(Button1, &TForm1::Button1Click);
}

QFont TForm1::WindowFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    // Room a push button leaves around its caption.
    constexpr int buttonMargins = 8;
    for (int pixels = 11; pixels > 7; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        if (metrics.horizontalAdvance(QStringLiteral("File Database Pazienti")) <= 105
            && metrics.horizontalAdvance(QStringLiteral("Apri Database")) + buttonMargins <= 73
            && metrics.horizontalAdvance(QStringLiteral("Sostituisti stringa")) + buttonMargins <= 129
            && metrics.height() <= 13)
            break;
    }
    return font;
}

void TForm1::FormCreate()
{
    FFileName = Edit1->text();
    IBDatabase1->SetDatabaseName(FFileName);
}

QString TForm1::FolderPart(const QString& Path)
{
    for (qsizetype i = Path.size() - 1; i >= 0; --i) {
        const QChar c = Path.at(i);
        if (c == u'/' || c == u'\\' || c == u':')
            return Path.left(i + 1);
    }
    return QString();
}

void TForm1::SpeedButton1Click()
{
    OpenDialog1->SetInitialDir(FolderPart(FFileName));
    if (!OpenDialog1->Execute())
        return;
    IBDatabase1->SetConnected(false);
    IBDataSet1->SetActive(false);
    FFileName = OpenDialog1->FileName();
    Edit1->setText(FFileName);
    IBDatabase1->SetDatabaseName(FFileName);
}

void TForm1::SpeedButton2Click()
{
    IBDatabase1->SetConnected(false);
    IBDatabase1->SetDatabaseName(Edit1->text());
    IBDataSet1->SetActive(false);
    IBDatabase1->SetConnected(true);
    IBDataSet1->SetActive(true);
}

void TForm1::IBDataSet1AfterPost(TDataSet*)
{
    IBTransaction1->CommitRetaining();
}

QString TForm1::ReplaceAll(const QString& Path, const QString& Search, const QString& Replacement)
{
    if (Search.isEmpty())
        return Path;
    QString result;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = Path.indexOf(Search, from, Qt::CaseSensitive);
        if (at < 0)
            break;
        result += QStringView(Path).mid(from, at - from);
        result += Replacement;
        from = at + Search.size();
    }
    result += QStringView(Path).mid(from);
    return result;
}

bool TForm1::StartsWithLocaleAware(const QString& Path, const QString& Search)
{
    return QString::localeAwareCompare(Path.left(Search.size()), Search) == 0;
}

template <class Rule>
void TForm1::RewritePaths(Rule NewPath)
{
    if (MessageDialog(QLatin1String(kConfirmation), mtInformation, {mbYes, mbNo}, 0) != mrYes)
        return;
    bool stopped = false;
    qint64 rewrittenRows = 0;
    {
        // The window stays alive and the walk can be stopped between rows;
        // the row being written is always posted and committed first.
        TWalkProgress progress(this, [this] { return CountImages(); });
        // Moving first also settles a pending edit: posted when changed, cancelled otherwise.
        IBDataSet1->First();
        while (!IBDataSet1->Eof()) {
            const QString path = IBDataSet1->FieldByName(QStringLiteral("EXTFILE"))->AsString();
            const std::optional<QString> rewritten = NewPath(path);
            if (rewritten) {
                IBDataSet1->Edit();
                IBDataSet1->FieldByName(QStringLiteral("EXTFILE"))->SetAsString(*rewritten);
                IBDataSet1->Post();
            }
            if (progress.RowDone(rewritten.has_value())) {
                stopped = true;
                break;
            }
            IBDataSet1->Next();
        }
        IBDataSet1->SetActive(false);
        IBDataSet1->SetActive(true);
        rewrittenRows = progress.Rewritten();
    }
    if (stopped)
        ShowNotice(StoppedNotice(rewrittenRows));
    else
        ShowNotice(QStringLiteral("Finito!"));
}

QString TForm1::StoppedNotice(qint64 Rewritten)
{
    return QStringLiteral("Conversione interrotta.\nRighe modificate: %1").arg(QLocale::system().toString(Rewritten));
}

qint64 TForm1::CountImages()
{
    if (!FCountSQL) {
        FCountSQL = new TIBSQL(this);
        FCountSQL->SetName(QStringLiteral("IBSQLCount"));
        FCountSQL->SetSQL(kCountSQL);
    }
    FCountSQL->SetDatabase(IBDatabase1);
    FCountSQL->SetTransaction(IBTransaction1);
    FCountSQL->ExecQuery();
    const qint64 count = FCountSQL->Fields(0)->AsInt64();
    FCountSQL->Close();
    return count;
}

void TForm1::Button2Click()
{
    RewritePaths([this](const QString& path) -> std::optional<QString> {
        // Both texts are read afresh for every row.
        const QString search = Edit2->text();
        if (!StartsWithLocaleAware(path, search))
            return std::nullopt;
        return ReplaceAll(path, search, Edit3->text());
    });
}

void TForm1::Button1Click()
{
    RewritePaths([](const QString& path) -> std::optional<QString> {
        const qsizetype at = path.indexOf(QLatin1String("immagini"), 0, Qt::CaseSensitive);
        if (at < 0)
            return std::nullopt;
        return QStringLiteral("+\\") + path.mid(at);
    });
}
