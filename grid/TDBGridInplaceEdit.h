// TDBGridInplaceEdit: the grid's in-place editor. One borderless text box
// over the current cell, created the first time it is needed, hidden when
// closed. It filters what is typed: characters the field does not accept are
// refused with a beep, and every change of the text (typing, deleting,
// pasting, cutting) first asks the grid whether the cell may be modified,
// which puts the row into edit state. Row and grid keys go to the grid.
#pragma once

#include <QLineEdit>

class QInputMethodEvent;
class QKeyEvent;
class TDBGrid;

class TDBGridInplaceEdit : public QLineEdit {
public:
    explicit TDBGridInplaceEdit(TDBGrid* Grid);

    // Handles a key as if typed in the editor (the grid hands over the
    // character that opened it this way).
    void ProcessKey(QKeyEvent* event);
    // Handles input-method text (composed, or typed with dead keys) with the
    // checks a typed character gets.
    void ProcessInputMethod(QInputMethodEvent* event);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // Whether the key goes to the grid instead of the text.
    static bool IsGridKey(const QKeyEvent* event);
    // Whether the key changes the text.
    static bool IsChangeKey(const QKeyEvent* event);
    // Drops a composition still shown in the box.
    void ClearComposition();

    TDBGrid* FGrid;
};
