#include "grid/TDBGridInplaceEdit.h"

#include "grid/TDBGrid.h"
#include "grid/TGridDataLink.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>

#include <memory>

TDBGridInplaceEdit::TDBGridInplaceEdit(TDBGrid* Grid) : QLineEdit(Grid->viewport()), FGrid(Grid)
{
    setFrame(false);
    setFocusPolicy(Qt::ClickFocus);
    setAcceptDrops(false);
    setDragEnabled(false);
    // Composed characters arrive as input-method events and are checked as
    // typed ones are (ProcessInputMethod).
    setAttribute(Qt::WA_InputMethodEnabled, true);
    hide();
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { FGrid->EditorTextChanged(text); });
}

bool TDBGridInplaceEdit::IsGridKey(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return !(mods & Qt::AltModifier);
    case Qt::Key_Insert:
        return mods == Qt::NoModifier;
    case Qt::Key_Delete:
        return mods == Qt::ControlModifier;
    default:
        return false;
    }
}

bool TDBGridInplaceEdit::IsChangeKey(const QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)
        || event->matches(QKeySequence::Delete) || event->matches(QKeySequence::Backspace)
        || event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)
        || event->matches(QKeySequence::DeleteStartOfWord) || event->matches(QKeySequence::DeleteEndOfWord)
        || event->matches(QKeySequence::DeleteEndOfLine) || event->matches(QKeySequence::DeleteCompleteLine))
        return true;
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)
        return true;
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).unicode() >= 32 && text.at(0).unicode() != 127
           && !(event->modifiers() & Qt::ControlModifier);
}

void TDBGridInplaceEdit::keyPressEvent(QKeyEvent* event)
{
    FGrid->Guarded([&] { ProcessKey(event); });
}

void TDBGridInplaceEdit::ProcessKey(QKeyEvent* event)
{
    if (IsGridKey(event)) {
        FGrid->KeyDown(event->key(), event->modifiers());
        return;
    }
    if (event->key() == Qt::Key_F2) {
        deselect();
        end(false);
        return;
    }
    if (!IsChangeKey(event)) {
        // Caret moves, selection, copy: the text box's own business.
        QLineEdit::keyPressEvent(event);
        return;
    }
    const QString text = event->text();
    const bool typed = !text.isEmpty() && text.at(0).unicode() >= 32 && text.at(0).unicode() != 127
                       && !(event->modifiers() & Qt::ControlModifier);
    if (typed) {
        TField* field = FGrid->Active() ? FGrid->SelectedField() : nullptr;
        for (QChar c : text) {
            if (!field || !field->IsValidChar(c)) {
                FGrid->Beep();
                return;
            }
        }
    }
    // Keep the editor alive across the edit request: a failing request may
    // show an error box, and the row's reload may replace the text.
    QPointer<TDBGridInplaceEdit> self(this);
    if (!FGrid->EditCanModify() || !self)
        return;
    QLineEdit::keyPressEvent(event);
    FGrid->DataLink()->SetModified(true);
}

void TDBGridInplaceEdit::contextMenuEvent(QContextMenuEvent* event)
{
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    // The commands that change the text go through the same check as typing.
    for (QAction* action : menu->actions()) {
        const QString name = action->objectName();
        void (QLineEdit::*command)() = nullptr;
        if (name == QLatin1String("edit-cut"))
            command = &QLineEdit::cut;
        else if (name == QLatin1String("edit-paste"))
            command = &QLineEdit::paste;
        else if (name == QLatin1String("edit-delete"))
            command = &QLineEdit::del;
        else if (name == QLatin1String("edit-undo"))
            command = &QLineEdit::undo;
        else if (name == QLatin1String("edit-redo"))
            command = &QLineEdit::redo;
        if (!command)
            continue;
        action->disconnect();
        connect(action, &QAction::triggered, this, [this, command] {
            FGrid->Guarded([&] {
                QPointer<TDBGridInplaceEdit> self(this);
                if (!FGrid->EditCanModify() || !self)
                    return;
                (this->*command)();
                FGrid->DataLink()->SetModified(true);
            });
        });
    }
    menu->exec(event->globalPos());
}

void TDBGridInplaceEdit::mousePressEvent(QMouseEvent* event)
{
    // The middle button would paste the selection without the check.
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mousePressEvent(event);
}

void TDBGridInplaceEdit::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TDBGridInplaceEdit::wheelEvent(QWheelEvent* event)
{
    FGrid->wheelEvent(event);
}

void TDBGridInplaceEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    FGrid->EditorFocusOut(event);
}

void TDBGridInplaceEdit::inputMethodEvent(QInputMethodEvent* event)
{
    FGrid->Guarded([&] { ProcessInputMethod(event); });
}

void TDBGridInplaceEdit::ProcessInputMethod(QInputMethodEvent* event)
{
    const QString text = event->commitString();
    if (text.isEmpty() && event->replacementLength() == 0) {
        // A composition under way is only shown; the text is unchanged.
        QLineEdit::inputMethodEvent(event);
        return;
    }
    TField* field = FGrid->Active() ? FGrid->SelectedField() : nullptr;
    for (QChar c : text) {
        if (!field || c.unicode() < 32 || c.unicode() == 127 || !field->IsValidChar(c)) {
            FGrid->Beep();
            ClearComposition();
            return;
        }
    }
    QPointer<TDBGridInplaceEdit> self(this);
    if (!FGrid->EditCanModify() || !self) {
        if (self)
            ClearComposition();
        return;
    }
    QLineEdit::inputMethodEvent(event);
    FGrid->DataLink()->SetModified(true);
}

void TDBGridInplaceEdit::ClearComposition()
{
    QInputMethodEvent clear;
    QLineEdit::inputMethodEvent(&clear);
}
