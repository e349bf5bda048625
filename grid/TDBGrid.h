// TDBGrid: the record grid. A custom-painted scroll area that shows the rows
// of a record set through a data source, one column per visible field, with
// a title row, an indicator column marking the current row, an in-place
// editor (TDBGridInplaceEdit) and the keys and mouse actions that browse,
// edit, insert, append and delete rows.
//
// The grid keeps no rows of its own: its link (TGridDataLink) asks the record
// set for a window of buffers exactly as high as the visible data rows, and
// every cell is drawn from those buffers when the grid paints. The grid
// follows the record set's notifications synchronously, including the moves
// the program makes with no event loop running, and paints synchronously at
// most once per display frame; whatever it could not paint at once stays a
// pending update, so the last state is always painted.
//
// Errors raised by the operator's actions (a refused post, text a field
// cannot take) never unwind through the toolkit: every event handler catches
// at its own boundary and hands the error to the application's error display.
#pragma once

#include "grid/GridNavigation.h"
#include "grid/TDBGridColumns.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QRegion>

#include <exception>
#include <functional>
#include <memory>
#include <vector>

class TDataSet;
class TDataSource;
class TDBGridInplaceEdit;
class TGridDataLink;

enum TDBGridOption : unsigned {
    dgEditing = 1u << 0,
    dgAlwaysShowEditor = 1u << 1,
    dgTitles = 1u << 2,
    dgIndicator = 1u << 3,
    dgColumnResize = 1u << 4,
    dgColLines = 1u << 5,
    dgRowLines = 1u << 6,
    dgTabs = 1u << 7,
    dgRowSelect = 1u << 8,
    dgAlwaysShowSelection = 1u << 9,
    dgConfirmDelete = 1u << 10,
    dgCancelOnExit = 1u << 11,
    dgMultiSelect = 1u << 12,
    dgTitleClick = 1u << 13,
    dgTitleHotTrack = 1u << 14,
};
using TDBGridOptions = unsigned;

// The options a new grid has. Titles, indicator, lines, single-cell
// selection and the classic look are fixed; dgEditing, dgTabs,
// dgColumnResize, dgConfirmDelete, dgCancelOnExit and dgTitleClick can be
// switched.
constexpr TDBGridOptions DefaultGridOptions = dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines
                                              | dgRowLines | dgTabs | dgConfirmDelete | dgCancelOnExit
                                              | dgTitleClick | dgTitleHotTrack;

class TDBGrid : public QAbstractScrollArea {
public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    // The desktop's default sans-serif font with 11-pixel characters: the
    // window's font, which the grid takes for cells and titles.
    static QFont DesignFont();

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* Value);
    TGridDataLink* DataLink() const { return FDataLink.get(); }

    // Title font; the grid's own font until one is set.
    QFont TitleFont() const;
    void SetTitleFont(const QFont& Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    TDBGridOptions Options() const { return FOptions; }
    void SetOptions(TDBGridOptions Value);

    TDBGridColumns& Columns() { return FColumns; }
    const TDBGridColumns& Columns() const { return FColumns; }

    // Grid coordinates: column 0 is the indicator, row 0 the titles; data
    // row i shows buffer i - 1 of the link's window.
    int Row() const { return FRow; }
    int Col() const { return FCol; }
    int RowCount() const { return FRowCount; }
    int ColCount() const { return FColumns.Count() + 1; }
    // The current column's field, or nullptr.
    TField* SelectedField() const;
    // Data rows that fit wholly below the title row.
    int VisibleRowCount() const;
    // Pixel sizes, not counting the grid line below a row / right of a column.
    int DefaultRowHeight() const { return FRowHeight; }
    int TitleRowHeight() const { return FTitleHeight; }
    int ColWidth(int Col) const;
    // A cell's rectangle in the viewport, empty when it is out of view.
    QRect CellRect(int Col, int Row) const;
    // The first data column in view (the horizontal bar scrolls columns).
    int LeftCol() const { return FLeftCol; }

    bool EditorMode() const { return FEditorMode; }
    // Opens (when the grid may show an editor) or closes the editor.
    void SetEditorMode(bool Value);
    // The in-place editor, or nullptr before it is first needed.
    TDBGridInplaceEdit* InplaceEditor() const { return FInplaceEdit; }
    // The grid's copy of the editor's text.
    const QString& EditText() const { return FEditText; }

    // Painting, counted for tests and benchmarks.
    int PaintCount() const { return FPaintCount; }
    QRegion LastPaintedRegion() const { return FLastPainted; }
    // Characters refused with the default beep.
    int BeepCount() const { return FBeepCount; }
    // The shortest time between two synchronous paints, in milliseconds.
    static constexpr int FrameInterval = 16;

    // Released over a title (dgTitleClick); nothing in the program uses it.
    using TTitleClickEvent = std::function<void(TColumn* Column)>;
    void SetOnTitleClick(TTitleClickEvent Value) { FOnTitleClick = std::move(Value); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class TGridDataLink;
    friend class TDBGridInplaceEdit;

    enum TGridState { gsNormal, gsTitlePressed, gsColMoving, gsColSizing };

    // ---- Reactions of the link -------------------------------------------
    void LinkActive(bool Value);
    void EditingChanged();
    void DataChanged();
    void Scroll(int Distance);
    void LayoutChanged();
    void RecordChanged(TField* Field);
    void UpdateData();
    void FocusField(TField** Field);

    // ---- Layout ----------------------------------------------------------
    TDataSet* DataSet() const;
    bool Active() const;
    void InternalLayout();
    void LayOutOnce(); // one pass of InternalLayout
    void UpdateRowCount();
    void UpdateActive();
    void UpdateScrollBar(bool Force = false);
    void UpdateHorizontalBar();
    void ScrollBarAction(int Action);
    void ThumbReleased();
    void PlaceEditor();
    void MakeColVisible(int Col);
    int RowPitch() const { return FRowHeight + 1; }
    int DataTop() const { return FTitleHeight + 1; }
    int ColLeft(int Col) const;
    // Hit test in viewport coordinates: the cell, -1 when outside.
    void CellAt(const QPoint& Pos, int& Col, int& Row) const;
    // The title boundary under X (the column left of it), or 0.
    int SizingColAt(const QPoint& Pos) const;
    bool ColumnTabStop(int Index) const;
    std::vector<bool> TabStops() const;

    // ---- Editing ---------------------------------------------------------
    bool CanEditShow() const;
    bool GridFocused() const;
    void ShowEditor(bool CaretAtEnd = false);
    void HideEditor();
    void LoadEditor();
    // Stores pending editor text into the field (through the link).
    void StoreEditorText();
    // May the current cell be changed; puts the row into edit state.
    bool EditCanModify();
    void EditorTextChanged(const QString& Text);
    void Beep();

    // ---- Keys and moves --------------------------------------------------
    void KeyDown(int Key, Qt::KeyboardModifiers Modifiers);
    void TypeCharacter(QKeyEvent* event);
    void MoveRow(TGridRowMove Move);
    void DoUp();
    void DoDown();
    void DoTab(bool Backward);
    void DoEscape();
    void DoInsert();
    void DoDelete();
    void SelectCol(int Col);
    void MoveToRow(int Row);
    bool UntouchedInsert() const;
    void LeaveGrid();
    bool IsLeaving(const QFocusEvent* event) const;
    void TitlePress(QMouseEvent* event, int Col);
    void MoveColumn(int From, int To);
    void CancelMode();
    void EditorFocusOut(QFocusEvent* event);

    // ---- Painting --------------------------------------------------------
    void Invalidate(const QRect& Rect);
    void InvalidateAll();
    // The data rows and their indicator cells, not the titles.
    void InvalidateData();
    void InvalidateRow(int Row);
    void InvalidateCell(int Col, int Row);
    // Paints what is pending now, unless a paint ran less than a frame ago.
    void Flush();
    bool FrameDue() const;
    // Milliseconds of a monotonic clock.
    static qint64 FrameClock();
    void DrawCell(class QPainter& Painter, int Col, int Row, const QRect& Rect);
    void DrawTitle(QPainter& Painter, int Col, const QRect& Rect);

    // Runs an event handler's work and shows an error that escapes it.
    void Guarded(const std::function<void()>& Work) noexcept;
    void ShowError(std::exception_ptr Error) noexcept;

    std::unique_ptr<TGridDataLink> FDataLink;
    TDBGridColumns FColumns;
    TDBGridInplaceEdit* FInplaceEdit = nullptr;
    QFont FTitleFont;
    bool FTitleFontSet = false;
    bool FReadOnly = false;
    TDBGridOptions FOptions = DefaultGridOptions;

    int FRow = 1;
    int FCol = 1;
    int FRowCount = 2;
    int FLeftCol = 1;
    int FRowHeight = 17;
    int FTitleHeight = 17;
    int FLayoutDepth = 0;
    bool FLayoutAgain = false; // a layout was asked for while one ran

    bool FEditorMode = false;
    QString FEditText;
    bool FLoadingEditor = false;

    // Vertical bar as last set: -1 hidden, 0 five positions, 1 proportional.
    int FBarMode = -2;
    int FBarMin = 0, FBarMax = 0, FBarPage = 0, FBarValue = -1;

    TGridState FGridState = gsNormal;
    int FPressedCol = 0;
    int FSizingCol = 0;
    int FSizingOffset = 0;
    QPoint FPressPos;
    int FWheelDelta = 0;

    QRegion FPending;
    bool FAllPending = false;  // the whole viewport waits for a paint
    bool FRowsPending = false; // everything below the titles does
    qint64 FLastPaint = -FrameInterval; // FrameClock() of the last paint
    int FPaintCount = 0;
    QRegion FLastPainted;
    int FBeepCount = 0;

    TTitleClickEvent FOnTitleClick;
    bool FDestroying = false;
};
