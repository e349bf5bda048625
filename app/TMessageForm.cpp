// The built message box: font measures, layout, keys and the clipboard copy.
#include "app/TMessageForm.h"

#include "app/TApplication.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QWindow>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {

// The text is measured and drawn with the same flags, so that the label
// shows exactly the lines the layout was computed for.
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs;

constexpr int kIconSize = 32;

struct TButtonKind {
    TMsgDlgBtn Button;
    const char* Caption;
    const char* Name;
    TModalResult Result;
};

// The order in which buttons stand on a box.
constexpr std::array<TButtonKind, 4> kButtonKinds = {{
    {mbYes, "&Yes", "Yes", mrYes},
    {mbNo, "&No", "No", mrNo},
    {mbOK, "OK", "OK", mrOk},
    {mbCancel, "Cancel", "Cancel", mrCancel},
}};

// A caption's width is measured the first time a box shows that button and
// kept for the rest of the run.
int CaptionWidth(int kind, const QFontMetrics& metrics)
{
    static std::array<int, 4> widths = {-1, -1, -1, -1};
    int& width = widths.at(static_cast<std::size_t>(kind));
    if (width < 0) {
        const QString caption = QString::fromLatin1(kButtonKinds.at(static_cast<std::size_t>(kind)).Caption);
        width = metrics.size(Qt::TextSingleLine | Qt::TextShowMnemonic, caption).width();
    }
    return width;
}

// Line breaks arrive as CR LF from the client layer; the text engine wants
// a single line feed.
QString DisplayText(const QString& text)
{
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

QScreen* BoxScreen()
{
    if (QWidget* active = QApplication::activeWindow())
        if (QScreen* screen = active->screen())
            return screen;
    return QGuiApplication::primaryScreen();
}

// The message text: drawn with the flags it was measured with, never elided
// or re-wrapped by a layout of its own.
class TMessageLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        painter.drawText(rect(), kTextFlags, DisplayText(text()));
    }
};

} // namespace

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t magnitude = (2 * std::llabs(product) + std::llabs(c)) / (2 * std::llabs(static_cast<std::int64_t>(c)));
    if (magnitude > std::numeric_limits<int>::max())
        return -1; // does not fit, as the window system answers too
    const bool negative = (product < 0) != (c < 0);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

QString TMessageForm::CaptionFor(TMsgDlgType DlgType)
{
    switch (DlgType) {
    case mtInformation:
        return QStringLiteral("Information");
    case mtConfirmation:
        return QStringLiteral("Confirm");
    case mtCustom:
        break;
    }
    return ApplicationTitle();
}

TMessageForm::TMessageForm(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowCloseButtonHint),
      FMessage(Msg)
{
    setObjectName(QStringLiteral("MessageForm"));
    setFont(QApplication::font("QMessageBox"));
    setWindowTitle(CaptionFor(DlgType));
    setWindowModality(Qt::ApplicationModal);

    QScreen* screen = BoxScreen();
    const QFontMetrics metrics(font());
    TMessageLayout& L = FLayout;

    // The font's measures, and every size derived from them.
    static const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    L.CharWidth = metrics.horizontalAdvance(alphabet) / 52;
    L.CharHeight = metrics.height();
    L.HorzMargin = MulDiv(8, L.CharWidth, 4);
    L.VertMargin = MulDiv(8, L.CharHeight, 8);
    L.HorzSpacing = MulDiv(10, L.CharWidth, 4);
    L.VertSpacing = MulDiv(10, L.CharHeight, 8);
    L.ButtonHeight = MulDiv(14, L.CharHeight, 8);
    L.ButtonSpacing = MulDiv(4, L.CharWidth, 4);
    L.ButtonWidth = MulDiv(50, L.CharWidth, 4);
    std::vector<int> kinds;
    for (int k = 0; k < static_cast<int>(kButtonKinds.size()); ++k) {
        if (!Buttons.Contains(kButtonKinds.at(static_cast<std::size_t>(k)).Button))
            continue;
        kinds.push_back(k);
        L.ButtonWidth = std::max(L.ButtonWidth, CaptionWidth(k, metrics) + 8);
    }

    // The text, wrapped at half the screen's width.
    const int wrapWidth = (screen ? screen->geometry().width() : 800) / 2;
    L.TextSize = metrics.boundingRect(QRect(0, 0, wrapWidth, 0), kTextFlags, DisplayText(Msg)).size();

    QStyle::StandardPixmap iconKind = QStyle::SP_CustomBase;
    if (DlgType == mtInformation)
        iconKind = QStyle::SP_MessageBoxInformation;
    else if (DlgType == mtConfirmation)
        iconKind = QStyle::SP_MessageBoxQuestion;
    const bool hasIcon = iconKind != QStyle::SP_CustomBase;

    int textBlockWidth = L.TextSize.width();
    int textBlockHeight = L.TextSize.height();
    if (hasIcon) {
        textBlockWidth += kIconSize + L.HorzSpacing;
        textBlockHeight = std::max(textBlockHeight, kIconSize);
    }
    const int n = static_cast<int>(kinds.size());
    const int rowWidth = n > 0 ? n * L.ButtonWidth + (n - 1) * L.ButtonSpacing : 0;
    L.ClientSize = QSize(std::max(textBlockWidth, rowWidth) + 2 * L.HorzMargin,
                         textBlockHeight + L.ButtonHeight + L.VertSpacing + 2 * L.VertMargin);

    int textLeft = L.HorzMargin;
    if (hasIcon) {
        L.IconRect = QRect(L.HorzMargin, L.VertMargin, kIconSize, kIconSize);
        textLeft += kIconSize + L.HorzSpacing;
        auto* image = new QLabel(this);
        image->setObjectName(QStringLiteral("Image"));
        const QIcon icon = style()->standardIcon(iconKind, nullptr, this);
        image->setPixmap(icon.pixmap(QSize(kIconSize, kIconSize), devicePixelRatioF()));
        image->setGeometry(L.IconRect);
    }
    L.TextRect = QRect(QPoint(textLeft, L.VertMargin), L.TextSize);
    auto* label = new TMessageLabel(Msg, this);
    label->setObjectName(QStringLiteral("Message"));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setGeometry(L.TextRect);

    // The buttons, centred under the text.
    int left = (L.ClientSize.width() - rowWidth) / 2;
    const int top = textBlockHeight + L.VertMargin + L.VertSpacing;
    for (int k : kinds) {
        const TButtonKind& kind = kButtonKinds.at(static_cast<std::size_t>(k));
        auto* button = new QPushButton(QString::fromLatin1(kind.Caption), this);
        button->setObjectName(QString::fromLatin1(kind.Name));
        button->setAutoDefault(true);
        const QRect r(left, top, L.ButtonWidth, L.ButtonHeight);
        button->setGeometry(r);
        L.ButtonRects.push_back(r);
        left += L.ButtonWidth + L.ButtonSpacing;
        const TModalResult result = kind.Result;
        connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        button->installEventFilter(this);
        FButtons.push_back(button);
    }

    // Default: OK, else Yes. Cancel: Cancel, else No, else OK.
    auto find = [this](const char* name) -> QPushButton* {
        for (QPushButton* b : FButtons)
            if (b->objectName() == QLatin1String(name))
                return b;
        return nullptr;
    };
    FDefaultButton = find("OK");
    if (!FDefaultButton)
        FDefaultButton = find("Yes");
    FCancelButton = find("Cancel");
    if (!FCancelButton)
        FCancelButton = find("No");
    if (!FCancelButton)
        FCancelButton = find("OK");
    if (FDefaultButton) {
        FDefaultButton->setDefault(true);
        FDefaultButton->setFocus(Qt::OtherFocusReason);
    }

    setFixedSize(L.ClientSize);

    // Centred on the screen's work area, frame included: the window is
    // created now so that the window system can tell the frame's size.
    if (screen) {
        create();
        QMargins frame;
        if (QWindow* handle = windowHandle())
            frame = handle->frameMargins();
        const QSize outer = L.ClientSize.grownBy(frame);
        const QRect work = screen->availableGeometry();
        const QRect desktop = screen->virtualGeometry();
        const int x = std::max(work.left() + (work.width() - outer.width()) / 2, desktop.left());
        const int y = std::max(work.top() + (work.height() - outer.height()) / 2, desktop.top());
        move(x, y);
    }
}

TMessageForm::~TMessageForm() = default;

void TMessageForm::reject()
{
    done(mrCancel);
}

QString TMessageForm::ClipboardText() const
{
    const QString divider = QString(27, QLatin1Char('-')) + QStringLiteral("\r\n");
    QString buttons;
    for (const QPushButton* b : FButtons)
        buttons += b->text().remove(QLatin1Char('&')) + QStringLiteral("   ");
    return divider + windowTitle() + QStringLiteral("\r\n") + divider + FMessage + QStringLiteral("\r\n") + divider
           + buttons + QStringLiteral("\r\n") + divider;
}

void TMessageForm::CopyToClipboard()
{
    QApplication::beep();
    QGuiApplication::clipboard()->setText(ClipboardText());
}

bool TMessageForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && HandleKey(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TMessageForm::keyPressEvent(QKeyEvent* event)
{
    if (!HandleKey(event))
        QDialog::keyPressEvent(event);
}

bool TMessageForm::HandleKey(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (mods == Qt::NoModifier) {
            if (auto* focused = qobject_cast<QPushButton*>(focusWidget()))
                focused->click();
            else if (FDefaultButton)
                FDefaultButton->click();
            return true;
        }
        return false;
    case Qt::Key_Escape:
        // A box without a cancel button stays open.
        if (FCancelButton)
            FCancelButton->click();
        return true;
    case Qt::Key_Right:
    case Qt::Key_Down:
        focusNextPrevChild(true);
        return true;
    case Qt::Key_Left:
    case Qt::Key_Up:
        focusNextPrevChild(false);
        return true;
    case Qt::Key_C:
        if (mods == Qt::ControlModifier) {
            CopyToClipboard();
            return true;
        }
        break;
    default:
        break;
    }

    // An access key presses its button, typed alone or with Alt.
    if ((mods & ~(Qt::AltModifier | Qt::ShiftModifier)) == 0 && key >= Qt::Key_A && key <= Qt::Key_Z) {
        for (QPushButton* b : FButtons) {
            const QString caption = b->text();
            const qsizetype amp = caption.indexOf(QLatin1Char('&'));
            if (amp >= 0 && amp + 1 < caption.size()
                && caption.at(amp + 1).toUpper().unicode() == static_cast<char16_t>(key)) {
                b->click();
                return true;
            }
        }
    }
    return false;
}
