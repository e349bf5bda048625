// The message boxes the window and the grid show: their layout from the
// font's measures, captions, icons and buttons, the keys and the result each
// gives, and the text Ctrl+C copies.
#include "app/MessageDialog.h"
#include "app/TApplication.h"
#include "app/TMessageForm.h"
#include "tests/app/ModalWatch.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

struct Box {
    const char* Name;
    QString Text;
    TMsgDlgType Kind;
    TMsgDlgButtons Buttons;
    std::vector<const char*> ButtonNames; // in the order they must stand
};

const Box kConfirmConversion{"conversion", QStringLiteral("Avviare la conversione dei percorsi delle immagini?"),
                             mtInformation, {mbNo, mbYes}, {"Yes", "No"}};
const Box kDeleteRecord{"delete", QStringLiteral("Delete record?"), mtConfirmation, {mbCancel, mbOK}, {"OK", "Cancel"}};
const Box kFinished{"finished", QStringLiteral("Finito!"), mtCustom, {mbOK}, {"OK"}};

const Box* const kBoxes[] = {&kConfirmConversion, &kDeleteRecord, &kFinished};

TEST(MulDiv, RoundsToNearestWithHalvesAwayFromZero)
{
    struct Case {
        int a, b, c, expected;
    };
    const Case cases[] = {
        {8, 7, 4, 14},  {10, 7, 4, 18},   // 17.5 rounds up
        {10, 13, 8, 16}, {14, 13, 8, 23}, // 16.25 down, 22.75 up
        {50, 7, 4, 88},  {4, 7, 4, 7},
        {-10, 7, 4, -18}, {10, -7, 4, -18}, {-10, -7, 4, 18}, // halves away from zero on both sides
        {1, 1, 3, 0},    {2, 1, 3, 1},    {3, 1, 2, 2},       // 1.5 -> 2
        {5, 1, 0, -1},                                        // nothing to divide by
        {1 << 30, 4, 1, -1},                                  // a result beyond int
        {46341, 46341, 2, 1073744141},                          // the product does not overflow
    };
    for (const Case& c : cases)
        EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

// The geometry worked out here from the font's measures, independently of
// the form, must be what the widgets show.
TEST(MessageForm, LayoutFollowsTheFontMeasures)
{
    for (const Box* box : kBoxes) {
        SCOPED_TRACE(box->Name);
        TMessageForm form(box->Text, box->Kind, box->Buttons);
        EXPECT_EQ(form.font(), QApplication::font("QMessageBox"));
        const QFontMetrics fm(form.font());
        const int x = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52;
        const int y = fm.height();
        auto mulDiv = [](int a, int b, int c) { return (a * b + c / 2) / c; }; // positive operands only
        const int hMargin = mulDiv(8, x, 4), vMargin = mulDiv(8, y, 8);
        const int hSpacing = mulDiv(10, x, 4), vSpacing = mulDiv(10, y, 8);
        const int bHeight = mulDiv(14, y, 8), bSpacing = mulDiv(4, x, 4);
        int bWidth = mulDiv(50, x, 4);
        for (const char* name : box->ButtonNames) {
            auto* b = form.findChild<QPushButton*>(QLatin1String(name));
            ASSERT_NE(b, nullptr) << name;
            bWidth = std::max(bWidth, fm.size(Qt::TextSingleLine | Qt::TextShowMnemonic, b->text()).width() + 8);
        }
        const int wrap = QGuiApplication::primaryScreen()->geometry().width() / 2;
        const QRect text = fm.boundingRect(QRect(0, 0, wrap, 0), Qt::TextWordWrap | Qt::TextExpandTabs, box->Text);
        const bool icon = box->Kind != mtCustom;
        const int blockW = text.width() + (icon ? 32 + hSpacing : 0);
        const int blockH = icon ? std::max(text.height(), 32) : text.height();
        const int n = static_cast<int>(box->ButtonNames.size());
        const int rowW = n * bWidth + (n - 1) * bSpacing;
        const QSize client(std::max(blockW, rowW) + 2 * hMargin, blockH + bHeight + vSpacing + 2 * vMargin);

        EXPECT_EQ(form.size(), client);
        EXPECT_EQ(form.minimumSize(), client); // fixed: not resizable
        EXPECT_EQ(form.maximumSize(), client);

        auto* image = form.findChild<QLabel*>(QStringLiteral("Image"));
        if (icon) {
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(image->geometry(), QRect(hMargin, vMargin, 32, 32));
        } else {
            EXPECT_EQ(image, nullptr);
        }
        auto* message = form.findChild<QLabel*>(QStringLiteral("Message"));
        ASSERT_NE(message, nullptr);
        EXPECT_EQ(message->text(), box->Text);
        EXPECT_TRUE(message->wordWrap());
        EXPECT_EQ(message->geometry(), QRect(hMargin + (icon ? 32 + hSpacing : 0), vMargin, text.width(), text.height()));

        int left = (client.width() - rowW) / 2;
        for (const char* name : box->ButtonNames) {
            auto* b = form.findChild<QPushButton*>(QLatin1String(name));
            EXPECT_EQ(b->geometry(), QRect(left, blockH + vMargin + vSpacing, bWidth, bHeight)) << name;
            left += bWidth + bSpacing;
        }

        const TMessageLayout& L = form.Layout();
        EXPECT_EQ(L.ClientSize, client);
        EXPECT_EQ(L.CharWidth, x);
        EXPECT_EQ(L.CharHeight, y);
    }
}

// A long text wraps at half the screen's width and the box grows downwards.
TEST(MessageForm, LongTextWrapsAtHalfTheScreenWidth)
{
    QString text;
    for (int i = 0; i < 60; ++i)
        text += QStringLiteral("immagine%1 ").arg(i);
    TMessageForm form(text, mtInformation, {mbYes, mbNo});
    const int half = QGuiApplication::primaryScreen()->geometry().width() / 2;
    auto* message = form.findChild<QLabel*>(QStringLiteral("Message"));
    ASSERT_NE(message, nullptr);
    EXPECT_LE(message->width(), half);
    EXPECT_GT(message->width(), half * 3 / 4);
    EXPECT_GE(message->height(), 3 * QFontMetrics(form.font()).height());
    EXPECT_EQ(form.width(), message->geometry().right() + 1 + form.Layout().HorzMargin);
}

TEST(MessageForm, CaptionIconButtonsAndDefaultByKind)
{
    struct Case {
        const Box* box;
        QString caption;
        QStyle::StandardPixmap icon; // SP_CustomBase: none
        const char* defaultButton;
        const char* cancelButton;
        std::vector<const char*> captions;
    };
    const Case cases[] = {
        {&kConfirmConversion, QStringLiteral("Information"), QStyle::SP_MessageBoxInformation, "Yes", "No",
         {"&Yes", "&No"}},
        {&kDeleteRecord, QStringLiteral("Confirm"), QStyle::SP_MessageBoxQuestion, "OK", "Cancel", {"OK", "Cancel"}},
        {&kFinished, ApplicationTitle(), QStyle::SP_CustomBase, "OK", "OK", {"OK"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box->Name);
        TMessageForm form(c.box->Text, c.box->Kind, c.box->Buttons);
        EXPECT_EQ(form.windowTitle(), c.caption);
        EXPECT_EQ(form.windowModality(), Qt::ApplicationModal);
        auto* image = form.findChild<QLabel*>(QStringLiteral("Image"));
        if (c.icon == QStyle::SP_CustomBase) {
            EXPECT_EQ(image, nullptr);
        } else {
            ASSERT_NE(image, nullptr);
            const QImage expected =
                form.style()->standardIcon(c.icon, nullptr, &form).pixmap(QSize(32, 32), form.devicePixelRatioF()).toImage();
            EXPECT_EQ(image->pixmap().toImage(), expected);
        }
        const QList<QPushButton*> buttons = form.findChildren<QPushButton*>();
        ASSERT_EQ(buttons.size(), static_cast<qsizetype>(c.captions.size()));
        for (std::size_t i = 0; i < c.captions.size(); ++i) {
            auto* b = form.findChild<QPushButton*>(QLatin1String(c.box->ButtonNames[i]));
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(b->text(), QLatin1String(c.captions[i]));
            EXPECT_EQ(b->isDefault(), qstrcmp(c.box->ButtonNames[i], c.defaultButton) == 0) << c.box->ButtonNames[i];
        }
        ASSERT_NE(form.DefaultButton(), nullptr);
        EXPECT_EQ(form.DefaultButton()->objectName(), QLatin1String(c.defaultButton));
        ASSERT_NE(form.CancelButton(), nullptr);
        EXPECT_EQ(form.CancelButton()->objectName(), QLatin1String(c.cancelButton));
    }
}

// One step of what the operator does to an open box.
struct Step {
    int Key; // 0: the close box
    Qt::KeyboardModifiers Mods = Qt::NoModifier;
};

TModalResult RunBox(const Box& box, const std::vector<Step>& steps, QString* focusedAtOpen = nullptr,
                    bool* centred = nullptr)
{
    ModalWatch watch([&](QWidget* modal) {
        auto* form = qobject_cast<TMessageForm*>(modal);
        if (!form)
            return;
        if (focusedAtOpen)
            *focusedAtOpen = form->focusWidget() ? form->focusWidget()->objectName() : QString();
        if (centred) {
            const QRect work = form->screen()->availableGeometry();
            *centred = form->x() == work.left() + (work.width() - form->frameGeometry().width()) / 2
                       && form->y() == work.top() + (work.height() - form->frameGeometry().height()) / 2;
        }
        for (const Step& s : steps) {
            if (s.Key == 0)
                form->close();
            else
                QTest::keyClick(form->focusWidget() ? form->focusWidget() : form, static_cast<Qt::Key>(s.Key), s.Mods);
        }
    });
    const TModalResult result = MessageDialog(box.Text, box.Kind, box.Buttons, 0);
    EXPECT_EQ(watch.Seen(), 1);
    EXPECT_EQ(watch.ForcedClose(), 0) << "the keys left the box open";
    return result;
}

TEST(MessageDialog, KeysAndTheirResults)
{
    using S = std::vector<Step>;
    const Step enter{Qt::Key_Return}, esc{Qt::Key_Escape}, tab{Qt::Key_Tab}, space{Qt::Key_Space};
    const Step closeBox{0};
    struct Case {
        const Box* box;
        const char* what;
        S steps;
        TModalResult expected;
    };
    const Case cases[] = {
        {&kConfirmConversion, "Enter", {enter}, mrYes},
        {&kConfirmConversion, "keypad Enter", {{Qt::Key_Enter, Qt::KeypadModifier}}, mrYes},
        {&kConfirmConversion, "Esc", {esc}, mrNo},
        {&kConfirmConversion, "Y", {{Qt::Key_Y}}, mrYes},
        {&kConfirmConversion, "N", {{Qt::Key_N}}, mrNo},
        {&kConfirmConversion, "Alt+Y", {{Qt::Key_Y, Qt::AltModifier}}, mrYes},
        {&kConfirmConversion, "Alt+N", {{Qt::Key_N, Qt::AltModifier}}, mrNo},
        {&kConfirmConversion, "Tab Space", {tab, space}, mrNo},
        {&kConfirmConversion, "Tab Tab Space", {tab, tab, space}, mrYes},
        {&kConfirmConversion, "Shift+Tab Enter", {{Qt::Key_Backtab, Qt::ShiftModifier}, enter}, mrNo},
        {&kConfirmConversion, "Right Enter", {{Qt::Key_Right}, enter}, mrNo},
        {&kConfirmConversion, "Down Enter", {{Qt::Key_Down}, enter}, mrNo},
        {&kConfirmConversion, "Right Left Enter", {{Qt::Key_Right}, {Qt::Key_Left}, enter}, mrYes},
        {&kConfirmConversion, "Right Up Space", {{Qt::Key_Right}, {Qt::Key_Up}, space}, mrYes},
        {&kConfirmConversion, "other letters do nothing", {{Qt::Key_O}, {Qt::Key_C}, enter}, mrYes},
        {&kConfirmConversion, "close box", {closeBox}, mrCancel},
        {&kDeleteRecord, "Enter", {enter}, mrOk},
        {&kDeleteRecord, "Esc", {esc}, mrCancel},
        {&kDeleteRecord, "Y and N are no keys here", {{Qt::Key_Y}, {Qt::Key_N}, enter}, mrOk},
        {&kDeleteRecord, "Tab Space", {tab, space}, mrCancel},
        {&kDeleteRecord, "Tab Enter", {tab, enter}, mrCancel},
        {&kDeleteRecord, "close box", {closeBox}, mrCancel},
        {&kFinished, "Enter", {enter}, mrOk},
        {&kFinished, "Esc", {esc}, mrOk},
        {&kFinished, "Space", {space}, mrOk},
        {&kFinished, "Tab Space", {tab, space}, mrOk},
        {&kFinished, "close box", {closeBox}, mrCancel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.box->Name) + ": " + c.what);
        EXPECT_EQ(RunBox(*c.box, c.steps), c.expected);
    }
}

TEST(MessageDialog, OpensCentredWithTheDefaultButtonFocused)
{
    struct Case {
        const Box* box;
        const char* focused;
    };
    for (const Case& c : {Case{&kConfirmConversion, "Yes"}, Case{&kDeleteRecord, "OK"}, Case{&kFinished, "OK"}}) {
        SCOPED_TRACE(c.box->Name);
        QString focused;
        bool centred = false;
        RunBox(*c.box, {{Qt::Key_Escape}}, &focused, &centred);
        EXPECT_EQ(focused, QLatin1String(c.focused));
        EXPECT_TRUE(centred);
    }
}

TEST(MessageDialog, ShowNoticeIsThePlainBoxWithOneOK)
{
    QString caption;
    QStringList buttons;
    bool hasIcon = true;
    ModalWatch watch([&](QWidget* modal) {
        caption = modal->windowTitle();
        for (auto* b : modal->findChildren<QPushButton*>())
            buttons << b->objectName();
        hasIcon = modal->findChild<QLabel*>(QStringLiteral("Image")) != nullptr;
        QTest::keyClick(modal->focusWidget(), Qt::Key_Space);
    });
    ShowNotice(QStringLiteral("Finito!"));
    EXPECT_EQ(watch.Seen(), 1);
    EXPECT_EQ(caption, ApplicationTitle());
    EXPECT_EQ(buttons, QStringList{QStringLiteral("OK")});
    EXPECT_FALSE(hasIcon);
}

TEST(MessageDialog, CtrlCCopiesTheBoxAsText)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    RunBox(kDeleteRecord, {{Qt::Key_C, Qt::ControlModifier}, {Qt::Key_Escape}});
    const QByteArray expected = "---------------------------\r\n"
                                "Confirm\r\n"
                                "---------------------------\r\n"
                                "Delete record?\r\n"
                                "---------------------------\r\n"
                                "OK   Cancel   \r\n"
                                "---------------------------\r\n";
    EXPECT_EQ(QGuiApplication::clipboard()->text().toUtf8(), expected);

    // Ctrl+Shift+C is not the copy key, and the access keys' "&" is dropped.
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    RunBox(kConfirmConversion, {{Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier}, {Qt::Key_Escape}});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    RunBox(kConfirmConversion, {{Qt::Key_C, Qt::ControlModifier}, {Qt::Key_Escape}});
    EXPECT_TRUE(QGuiApplication::clipboard()->text().contains(QStringLiteral("\r\nYes   No   \r\n")));
}

TEST(MessageDialog, ButtonsStandInTheFixedOrderWhateverTheCallerSays)
{
    TMessageForm form(QStringLiteral("x"), mtConfirmation, {mbCancel, mbNo, mbOK, mbYes});
    std::vector<std::pair<int, QString>> byLeft;
    for (auto* b : form.findChildren<QPushButton*>())
        byLeft.emplace_back(b->x(), b->objectName());
    std::sort(byLeft.begin(), byLeft.end());
    QStringList order;
    for (const auto& [left, name] : byLeft)
        order << name;
    EXPECT_EQ(order, (QStringList{"Yes", "No", "OK", "Cancel"}));
    // OK wins over Yes as default, Cancel over No as cancel.
    EXPECT_EQ(form.DefaultButton()->objectName(), QStringLiteral("OK"));
    EXPECT_EQ(form.CancelButton()->objectName(), QStringLiteral("Cancel"));
}

TEST(MessageDialog, AnEmptyTextStillShowsABox)
{
    EXPECT_EQ(RunBox(Box{"empty", QString(), mtCustom, {mbOK}, {"OK"}}, {{Qt::Key_Return}}), mrOk);
}

} // namespace
