// The record grid: layout, reactions to the record set, painting, scroll
// bars, mouse, keys and the in-place editor's life.
#include "grid/TDBGrid.h"

#include "app/MessageDialog.h"
#include "app/TApplication.h"
#include "grid/GridIndicator.h"
#include "grid/TDBGridInplaceEdit.h"
#include "grid/TGridDataLink.h"
#include "ibclient/dataset/TDataSet.h"
#include "ibclient/dataset/TDataSource.h"

#include <QApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace {

constexpr int IndicatorColWidth = 11;
constexpr int DefaultColWidth = 64;
// The pointer may be this far from a title boundary to grab it.
constexpr int SizingMargin = 2;

// Kinds of field whose text cannot be edited in place: they would need a
// text-setting handler, and none exists here.
bool IsUneditableType(TFieldType Type)
{
    switch (Type) {
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftCursor:
    case ftADT:
    case ftArray:
    case ftReference:
    case ftDataSet:
    case ftOraBlob:
    case ftOraClob:
    case ftWideMemo:
        return true;
    default:
        return false;
    }
}

// Makes another buffer of the window the active one while a row is drawn,
// and puts the real active row back afterwards.
class TActiveRecordSwap {
public:
    explicit TActiveRecordSwap(TGridDataLink* Link) : FLink(Link), FSaved(Link->ActiveRecord()) {}
    ~TActiveRecordSwap() { FLink->SetActiveRecord(FSaved); }
    TActiveRecordSwap(const TActiveRecordSwap&) = delete;
    TActiveRecordSwap& operator=(const TActiveRecordSwap&) = delete;

private:
    TGridDataLink* FLink;
    int FSaved;
};

// A field's display text; a value that cannot be shown leaves the cell
// empty rather than breaking the paint.
QString SafeDisplayText(const TField* Field)
{
    try {
        return Field->DisplayText();
    } catch (...) {
        return QString();
    }
}

void DrawEdge(QPainter& Painter, const QRect& Rect, const QColor& TopLeft, const QColor& BottomRight)
{
    Painter.setPen(TopLeft);
    Painter.drawLine(Rect.topLeft(), Rect.topRight());
    Painter.drawLine(Rect.topLeft(), Rect.bottomLeft());
    Painter.setPen(BottomRight);
    Painter.drawLine(Rect.bottomLeft(), Rect.bottomRight());
    Painter.drawLine(Rect.topRight(), Rect.bottomRight());
}

} // namespace

TDBGrid::TDBGrid(QWidget* parent) : QAbstractScrollArea(parent), FDataLink(std::make_unique<TGridDataLink>(this))
{
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    // Characters composed by an input method or with dead keys arrive as
    // input-method events; they open the editor as typed characters do.
    setAttribute(Qt::WA_InputMethodEnabled, true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Every pixel is ours: no background fill before a paint, so that
    // shifted rows keep their pixels.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { Guarded([&] { ScrollBarAction(action); }); });
    connect(verticalScrollBar(), &QAbstractSlider::sliderReleased, this,
            [this] { Guarded([&] { ThumbReleased(); }); });
    InternalLayout();
}

TDBGrid::~TDBGrid()
{
    FDestroying = true;
    if (FInplaceEdit) {
        FInplaceEdit->disconnect();
        delete FInplaceEdit;
        FInplaceEdit = nullptr;
    }
}

QFont TDBGrid::DesignFont()
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

TDataSource* TDBGrid::DataSource() const
{
    return FDataLink->DataSource();
}

void TDBGrid::SetDataSource(TDataSource* Value)
{
    FDataLink->SetDataSource(Value);
    if (!FDataLink->Active())
        InternalLayout();
}

QFont TDBGrid::TitleFont() const
{
    return FTitleFontSet ? FTitleFont : font();
}

void TDBGrid::SetTitleFont(const QFont& Value)
{
    FTitleFont = Value;
    FTitleFontSet = true;
    InternalLayout();
}

void TDBGrid::SetReadOnly(bool Value)
{
    if (FReadOnly != Value) {
        FReadOnly = Value;
        InternalLayout();
    }
}

void TDBGrid::SetOptions(TDBGridOptions Value)
{
    // The look is fixed: titles, indicator and lines stay.
    FOptions = Value | dgTitles | dgIndicator | dgColLines | dgRowLines;
    FOptions &= ~(dgRowSelect | dgMultiSelect | dgAlwaysShowEditor);
    if (!(FOptions & dgEditing))
        HideEditor();
    InternalLayout();
}

TDataSet* TDBGrid::DataSet() const
{
    return FDataLink->DataSet();
}

bool TDBGrid::Active() const
{
    return FDataLink->Active();
}

TField* TDBGrid::SelectedField() const
{
    if (FCol < 1 || FCol > FColumns.Count())
        return nullptr;
    return FColumns[FCol - 1]->Field();
}

int TDBGrid::VisibleRowCount() const
{
    return std::max(1, (viewport()->height() - DataTop()) / RowPitch());
}

int TDBGrid::ColWidth(int Col) const
{
    if (Col == 0)
        return IndicatorColWidth;
    if (Col < 1 || Col > FColumns.Count())
        return 0;
    return FColumns[Col - 1]->Width();
}

int TDBGrid::ColLeft(int Col) const
{
    if (Col == 0)
        return 0;
    if (Col < FLeftCol || Col > FColumns.Count())
        return -1;
    int x = IndicatorColWidth + 1;
    for (int c = FLeftCol; c < Col; ++c)
        x += ColWidth(c) + 1;
    return x;
}

QRect TDBGrid::CellRect(int Col, int Row) const
{
    const int left = ColLeft(Col);
    if (left < 0 || Row < 0 || Row >= FRowCount)
        return QRect();
    if (Row == 0)
        return QRect(left, 0, ColWidth(Col), FTitleHeight);
    return QRect(left, DataTop() + (Row - 1) * RowPitch(), ColWidth(Col), FRowHeight);
}

void TDBGrid::CellAt(const QPoint& Pos, int& Col, int& Row) const
{
    Col = -1;
    Row = -1;
    if (Pos.y() < 0 || Pos.x() < 0)
        return;
    if (Pos.y() <= FTitleHeight)
        Row = 0;
    else {
        const int r = (Pos.y() - DataTop()) / RowPitch() + 1;
        if (r < FRowCount)
            Row = r;
    }
    if (Pos.x() <= IndicatorColWidth) {
        Col = 0;
        return;
    }
    int x = IndicatorColWidth + 1;
    for (int c = FLeftCol; c <= FColumns.Count(); ++c) {
        const int right = x + ColWidth(c);
        if (Pos.x() <= right) {
            Col = c;
            return;
        }
        x = right + 1;
    }
}

int TDBGrid::SizingColAt(const QPoint& Pos) const
{
    if (Pos.y() > FTitleHeight)
        return 0;
    for (int c = FLeftCol; c <= FColumns.Count(); ++c) {
        const int line = ColLeft(c) + ColWidth(c);
        if (std::abs(Pos.x() - line) <= SizingMargin)
            return FColumns[c - 1]->Field() ? c : 0;
        if (line > Pos.x() + SizingMargin)
            break;
    }
    return 0;
}

bool TDBGrid::ColumnTabStop(int Index) const
{
    return !FReadOnly && FColumns[Index]->TabStop();
}

std::vector<bool> TDBGrid::TabStops() const
{
    std::vector<bool> stops;
    for (int i = 0; i < FColumns.Count(); ++i)
        stops.push_back(ColumnTabStop(i));
    return stops;
}

// ---- Error boundary -----------------------------------------------------------

void TDBGrid::Guarded(const std::function<void()>& Work) noexcept
{
    try {
        Work();
    } catch (...) {
        ShowError(std::current_exception());
    }
}

void TDBGrid::ShowError(std::exception_ptr Error) noexcept
{
    try {
        if (Application) {
            Application->HandleException(this, Error);
            return;
        }
        std::rethrow_exception(Error);
    } catch (const Exception& e) {
        qWarning("%s", qUtf8Printable(e.Message()));
    } catch (...) {
        qWarning("TDBGrid: an error could not be shown");
    }
}

// ---- Layout -------------------------------------------------------------------

void TDBGrid::InternalLayout()
{
    if (FDestroying)
        return;
    if (FLayoutDepth > 0) {
        // Asked for while a layout runs (reading the rows it wants lost the
        // connection and closed the record set, say): done again when that
        // one ends, also when it ends in that error, so that no column keeps
        // a field that is gone.
        FLayoutAgain = true;
        return;
    }
    FLayoutAgain = false;
    try {
        LayOutOnce();
        if (FLayoutAgain) {
            FLayoutAgain = false;
            LayOutOnce();
        }
    } catch (...) {
        if (FLayoutAgain) {
            FLayoutAgain = false;
            try {
                LayOutOnce();
            } catch (...) {
                // The first error is the one shown.
            }
        }
        throw;
    }
}

void TDBGrid::LayOutOnce()
{
    ++FLayoutDepth;
    struct Depth {
        int& Value;
        ~Depth() { --Value; }
    } depth{FLayoutDepth};

    TDataSet* dataSet = Active() ? DataSet() : nullptr;

    // The field map: every visible field, in field-list order.
    FDataLink->ClearMapping();
    std::vector<TField*> mapped;
    if (dataSet) {
        for (int i = 0; i < dataSet->FieldCount(); ++i) {
            TField* field = dataSet->Fields()[i];
            if (field->Visible()) {
                FDataLink->AddMapping(i);
                mapped.push_back(field);
            }
        }
    }

    // Columns follow the map; a closed record set leaves none.
    if (dataSet) {
        for (int i = FColumns.Count() - 1; i >= 0; --i) {
            TField* field = FColumns[i]->Field();
            if (!field || std::find(mapped.begin(), mapped.end(), field) == mapped.end())
                FColumns.Delete(i);
        }
    } else
        FColumns.Clear();
    for (int i = 0; i < static_cast<int>(mapped.size()); ++i) {
        int at = FColumns.IndexOfField(mapped[static_cast<std::size_t>(i)], i);
        if (at < 0) {
            FColumns.Add(mapped[static_cast<std::size_t>(i)]);
            at = FColumns.Count() - 1;
        }
        FColumns.Move(at, i);
    }
    if (mapped.empty() && FColumns.Count() == 0)
        FColumns.Add(nullptr);

    // Row heights from the text "Wg"; the row lines come on top.
    FRowHeight = QFontMetrics(font()).height() + 3 + 1;
    FTitleHeight = QFontMetrics(TitleFont()).height() + 4;

    // Widths and tab stops.
    const QFontMetrics cellMetrics(font());
    const QFontMetrics titleMetrics(TitleFont());
    const int zero = cellMetrics.horizontalAdvance(QLatin1Char('0'));
    for (int i = 0; i < FColumns.Count(); ++i) {
        TColumn* column = FColumns[i];
        TField* field = column->Field();
        if (!column->WidthAssigned()) {
            if (field) {
                const int width = zero * field->DisplayWidth() + 4;
                column->SetWidth(std::max(width, titleMetrics.horizontalAdvance(column->Title()) + 4));
            } else
                column->SetWidth(DefaultColWidth);
        }
        column->SetTabStop(dataSet && field && !field->ReadOnly() && field->FieldKind() != fkCalculated);
    }

    FCol = std::clamp(FCol, 1, std::max(FColumns.Count(), 1));
    FLeftCol = std::clamp(FLeftCol, 1, std::max(FColumns.Count(), 1));
    UpdateRowCount();
    UpdateActive();
    UpdateHorizontalBar();
    UpdateScrollBar();
    if (FEditorMode)
        PlaceEditor();
    InvalidateAll();
    Flush();
}

void TDBGrid::UpdateRowCount()
{
    const int old = FRowCount;
    TDataSet* dataSet = DataSet();
    if (Active() && dataSet->WindowRecordCount() > 0) {
        FDataLink->SetBufferCount(VisibleRowCount());
        FRowCount = std::max(FDataLink->RecordCount(), 1) + 1;
    } else
        FRowCount = 2;
    if (old != FRowCount)
        InvalidateData();
}

void TDBGrid::UpdateActive()
{
    int row = Active() ? FDataLink->ActiveRecord() + 1 : 1;
    row = std::clamp(row, 1, std::max(FRowCount - 1, 1));
    if (row != FRow) {
        HideEditor();
        InvalidateRow(FRow);
        FRow = row;
        InvalidateRow(FRow);
    }
}

void TDBGrid::UpdateScrollBar(bool Force)
{
    TDataSet* dataSet = Active() ? DataSet() : nullptr;
    int mode = -1, min = 0, max = 0, page = 0, value = FBarValue;
    if (dataSet) {
        if (dataSet->IsSequenced()) {
            const int count = dataSet->RecordCount();
            if (count > 1) {
                mode = 1;
                min = 1;
                max = count;
                page = VisibleRowCount();
                // A new row has no number yet: the thumb stays where it was.
                if (dataSet->State() != dsInsert)
                    value = dataSet->RecNo();
            }
        } else {
            mode = 0;
            max = 4;
            value = dataSet->Bof() ? 0 : dataSet->Eof() ? 4 : 2;
        }
    }
    if (mode != FBarMode) {
        FBarMode = mode;
        Force = true;
        setVerticalScrollBarPolicy(mode < 0 ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
    }
    if (mode < 0)
        return;
    QScrollBar* bar = verticalScrollBar();
    if (Force || min != FBarMin || max != FBarMax) {
        FBarMin = min;
        FBarMax = max;
        bar->setRange(min, max);
    }
    if (Force || page != FBarPage) {
        FBarPage = page;
        bar->setPageStep(page);
    }
    value = std::clamp(value, min, max);
    if (Force || value != FBarValue) {
        FBarValue = value;
        bar->setValue(value);
    }
}

void TDBGrid::UpdateHorizontalBar()
{
    const int count = FColumns.Count();
    const int room = viewport()->width() - (IndicatorColWidth + 1);
    // The highest first column that still lets the last column be seen.
    int maxLeft = std::max(count, 1);
    int total = 0;
    for (int c = count; c >= 1; --c) {
        total += ColWidth(c) + 1;
        if (total > room)
            break;
        maxLeft = c;
    }
    QScrollBar* bar = horizontalScrollBar();
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setRange(1, maxLeft);
    FLeftCol = std::clamp(FLeftCol, 1, maxLeft);
    bar->setValue(FLeftCol);
}

void TDBGrid::MakeColVisible(int Col)
{
    const int old = FLeftCol;
    if (Col < FLeftCol)
        FLeftCol = Col;
    else
        while (FLeftCol < Col && ColLeft(Col) + ColWidth(Col) > viewport()->width())
            ++FLeftCol;
    if (FLeftCol != old) {
        horizontalScrollBar()->setValue(FLeftCol);
        InvalidateAll();
    }
}

void TDBGrid::scrollContentsBy(int dx, int)
{
    // The vertical bar is the record set's; only column scrolling is ours.
    if (dx == 0 || FDestroying)
        return;
    const int value = horizontalScrollBar()->value();
    if (value == FLeftCol)
        return;
    FLeftCol = value;
    if (FEditorMode)
        Guarded([&] {
            StoreEditorText();
            HideEditor();
        });
    InvalidateAll();
    Flush();
}

// ---- Reactions ----------------------------------------------------------------

void TDBGrid::LinkActive(bool Value)
{
    if (!Value) {
        HideEditor();
        FDataLink->SetModified(false);
    }
    InternalLayout();
}

void TDBGrid::EditingChanged()
{
    // The state change is always followed, within the same operation, by
    // the change or move notification that paints.
    InvalidateCell(0, FRow);
}

void TDBGrid::DataChanged()
{
    if (!Active())
        return;
    UpdateRowCount();
    UpdateScrollBar();
    UpdateActive();
    if (FEditorMode)
        LoadEditor();
    InvalidateData();
    Flush();
}

void TDBGrid::Scroll(int Distance)
{
    if (!Active())
        return;
    if (FDataLink->ActiveRecord() >= FRowCount - 1)
        UpdateRowCount();
    UpdateScrollBar();
    const int oldRow = FRow;
    const int newRow = std::clamp(FDataLink->ActiveRecord() + 1, 1, std::max(FRowCount - 1, 1));
    const int visible = VisibleRowCount();
    // Shifting pixels only pays when what is on screen is current; in a
    // burst of moves the rows are simply painted again at the next frame.
    const bool shift = Distance != 0 && std::abs(Distance) <= visible && !FEditorMode && FPending.isEmpty()
                       && viewport()->isVisible() && FrameDue();
    if (Distance != 0 || newRow != oldRow)
        HideEditor();
    FRow = newRow;
    if (Distance == 0) {
        if (newRow != oldRow) {
            InvalidateRow(oldRow);
            InvalidateRow(newRow);
        }
        Flush();
        return;
    }
    if (!shift) {
        InvalidateData();
        Flush();
        return;
    }
    const int pitch = RowPitch();
    const QRect rows(0, DataTop(), viewport()->width(), visible * pitch);
    viewport()->scroll(0, -Distance * pitch, rows);
    if (Distance > 0)
        Invalidate(QRect(0, DataTop() + (visible - Distance) * pitch, viewport()->width(), Distance * pitch));
    else
        Invalidate(QRect(0, DataTop(), viewport()->width(), -Distance * pitch));
    // The old current row moved with the pixels and loses its marks.
    const int movedOld = oldRow - Distance;
    if (movedOld >= 1 && movedOld <= visible)
        InvalidateRow(movedOld);
    InvalidateRow(newRow);
    Flush();
}

void TDBGrid::LayoutChanged()
{
    InternalLayout();
}

void TDBGrid::RecordChanged(TField* Field)
{
    if (!Active())
        return;
    TField* selected = SelectedField();
    if (Field && Field != selected && FDataLink->Modified()
        && (Field->FieldKind() == fkData || Field->FieldKind() == fkInternalCalc))
        StoreEditorText();
    if (Field && !FAllPending && !FRowsPending) {
        for (int i = 0; i < FColumns.Count(); ++i)
            if (FColumns[i]->Field() == Field) {
                const QRect top = CellRect(i + 1, 0);
                if (!top.isEmpty())
                    Invalidate(QRect(top.left(), DataTop(), top.width(), viewport()->height()));
            }
    } else if (!Field)
        InvalidateData();
    if (FEditorMode && selected && (!Field || Field == selected) && selected->Text() != FEditText)
        LoadEditor();
    Flush();
}

void TDBGrid::UpdateData()
{
    if (!FDataLink->Modified())
        return;
    TField* field = SelectedField();
    if (field && field->Text() != FEditText)
        field->SetText(FEditText);
    FDataLink->SetModified(false);
}

void TDBGrid::FocusField(TField** Field)
{
    if (!*Field)
        return;
    const int index = FColumns.IndexOfField(*Field);
    if (index < 0)
        return;
    SelectCol(index + 1);
    if (FCol != index + 1 || !isEnabled() || !isVisible())
        return;
    setFocus();
    if (!GridFocused())
        return;
    ShowEditor();
    *Field = nullptr;
}

// ---- Editor -------------------------------------------------------------------

bool TDBGrid::GridFocused() const
{
    const QWidget* focus = window()->focusWidget();
    return focus == this || (FInplaceEdit && focus == FInplaceEdit);
}

bool TDBGrid::CanEditShow() const
{
    return (FOptions & dgEditing) && GridFocused() && FColumns.Count() > 0 && !CellRect(FCol, FRow).isEmpty();
}

void TDBGrid::SetEditorMode(bool Value)
{
    if (Value)
        ShowEditor();
    else
        HideEditor();
}

void TDBGrid::ShowEditor(bool CaretAtEnd)
{
    MakeColVisible(FCol);
    if (!CanEditShow())
        return;
    if (!FInplaceEdit)
        FInplaceEdit = new TDBGridInplaceEdit(this);
    // An open editor keeps what it holds.
    if (!FEditorMode)
        LoadEditor();
    FEditorMode = true;
    PlaceEditor();
    FInplaceEdit->show();
    FInplaceEdit->setFocus();
    if (CaretAtEnd) {
        FInplaceEdit->deselect();
        FInplaceEdit->end(false);
    }
}

void TDBGrid::PlaceEditor()
{
    // Only the part of the cell in view: the editor keeps its caret inside
    // its own width, which a wide column would carry out of sight.
    if (FInplaceEdit && FEditorMode)
        FInplaceEdit->setGeometry(CellRect(FCol, FRow) & viewport()->rect());
}

void TDBGrid::HideEditor()
{
    if (!FEditorMode)
        return;
    FEditorMode = false;
    FDataLink->SetModified(false);
    if (FInplaceEdit) {
        // Keep the focus in the grid when it was in the editor, also while
        // the window is inactive (an error box is open).
        if (window()->focusWidget() == FInplaceEdit)
            setFocus();
        FInplaceEdit->hide();
    }
    InvalidateCell(FCol, FRow);
}

void TDBGrid::LoadEditor()
{
    if (!FInplaceEdit)
        return;
    TField* field = Active() ? SelectedField() : nullptr;
    const QString text = field ? field->Text() : QString();
    int maxLength = 32767;
    if (field && (field->DataType() == ftString || field->DataType() == ftWideString) && field->Size() > 0)
        maxLength = field->Size();
    const TAlignment alignment = FColumns.Count() >= FCol ? FColumns[FCol - 1]->Alignment() : taLeftJustify;
    FInplaceEdit->setAlignment(alignment == taRightJustify ? Qt::AlignRight | Qt::AlignVCenter
                               : alignment == taCenter     ? Qt::AlignHCenter | Qt::AlignVCenter
                                                           : Qt::AlignLeft | Qt::AlignVCenter);
    FInplaceEdit->setFont(font());
    FInplaceEdit->setMaxLength(maxLength);
    FInplaceEdit->setText(text);
    FEditText = text;
    FInplaceEdit->selectAll();
    FDataLink->SetModified(false);
}

void TDBGrid::StoreEditorText()
{
    if (Active() && FDataLink->Modified())
        FDataLink->UpdateRecord();
}

bool TDBGrid::EditCanModify()
{
    if (FReadOnly || !Active() || FDataLink->ReadOnly() || FCol < 1 || FCol > FColumns.Count())
        return false;
    TColumn* column = FColumns[FCol - 1];
    TField* field = column->Field();
    if (!field || column->ReadOnly() || !field->CanModify() || IsUneditableType(field->DataType()))
        return false;
    return FDataLink->Edit();
}

void TDBGrid::EditorTextChanged(const QString& Text)
{
    FEditText = Text;
}

void TDBGrid::Beep()
{
    ++FBeepCount;
    QApplication::beep();
}

// ---- Keys ---------------------------------------------------------------------

bool TDBGrid::focusNextPrevChild(bool next)
{
    // Tab and Shift+Tab move between cells; the focus never leaves by them.
    if (FOptions & dgTabs)
        return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void TDBGrid::keyPressEvent(QKeyEvent* event)
{
    Guarded([&] {
        switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
        case Qt::Key_Insert:
        case Qt::Key_F2:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            KeyDown(event->key(), event->modifiers());
            return;
        case Qt::Key_Delete:
            if (event->modifiers() & Qt::ControlModifier)
                KeyDown(event->key(), event->modifiers());
            return;
        case Qt::Key_Backspace:
            TypeCharacter(event);
            return;
        default:
            break;
        }
        const QString text = event->text();
        if (!text.isEmpty() && text.at(0).unicode() >= 32 && text.at(0).unicode() != 127
            && !(event->modifiers() & Qt::ControlModifier))
            TypeCharacter(event);
    });
}

void TDBGrid::inputMethodEvent(QInputMethodEvent* event)
{
    Guarded([&] {
        // A composition under way changes nothing until it is committed;
        // the committed text is typed into the editor it opens.
        if (event->commitString().isEmpty())
            return;
        ShowEditor();
        if (FEditorMode && FInplaceEdit)
            FInplaceEdit->ProcessInputMethod(event);
    });
}

QVariant TDBGrid::inputMethodQuery(Qt::InputMethodQuery query) const
{
    // A composition window stands by the current cell.
    if (query == Qt::ImCursorRectangle) {
        const QRect cell = CellRect(FCol, FRow);
        if (!cell.isEmpty())
            return QRect(viewport()->mapTo(this, cell.topLeft()), cell.size());
    }
    return QAbstractScrollArea::inputMethodQuery(query);
}

void TDBGrid::TypeCharacter(QKeyEvent* event)
{
    ShowEditor();
    if (FEditorMode && FInplaceEdit)
        FInplaceEdit->ProcessKey(event);
}

void TDBGrid::KeyDown(int Key, Qt::KeyboardModifiers Modifiers)
{
    const bool ctrl = Modifiers & Qt::ControlModifier;
    const bool shift = Modifiers & Qt::ShiftModifier;
    const bool alt = Modifiers & Qt::AltModifier;
    if (Key == Qt::Key_Return || Key == Qt::Key_Enter) {
        StoreEditorText();
        if (FEditorMode)
            HideEditor();
        else
            ShowEditor();
        return;
    }
    // With the record set closed only characters and Enter do something.
    if (!Active())
        return;
    auto navigate = [this](TGridKey key) {
        const TGridNavigation move = Navigate(FCol, TabStops(), key);
        MoveRow(move.Row);
        SelectCol(move.Col);
    };
    switch (Key) {
    case Qt::Key_Up: navigate(ctrl ? gkCtrlUp : gkUp); break;
    case Qt::Key_Down: navigate(ctrl ? gkCtrlDown : gkDown); break;
    case Qt::Key_PageUp: navigate(ctrl ? gkCtrlUp : gkPageUp); break;
    case Qt::Key_PageDown: navigate(ctrl ? gkCtrlDown : gkPageDown); break;
    case Qt::Key_Left: navigate(ctrl ? gkCtrlLeft : gkLeft); break;
    case Qt::Key_Right: navigate(ctrl ? gkCtrlRight : gkRight); break;
    case Qt::Key_Home: navigate(ctrl ? gkCtrlHome : gkHome); break;
    case Qt::Key_End: navigate(ctrl ? gkCtrlEnd : gkEnd); break;
    case Qt::Key_Tab:
        if (!alt && (FOptions & dgTabs))
            DoTab(shift);
        break;
    case Qt::Key_Backtab:
        if (!alt && (FOptions & dgTabs))
            DoTab(true);
        break;
    case Qt::Key_Escape: DoEscape(); break;
    case Qt::Key_Insert:
        if (!(Modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)))
            DoInsert();
        break;
    case Qt::Key_Delete:
        if (ctrl)
            DoDelete();
        break;
    case Qt::Key_F2:
        if (FEditorMode) {
            FInplaceEdit->deselect();
            FInplaceEdit->end(false);
        } else
            ShowEditor(true);
        break;
    default: break;
    }
}

bool TDBGrid::UntouchedInsert() const
{
    TDataSet* dataSet = DataSet();
    return dataSet && dataSet->State() == dsInsert && !dataSet->Modified() && !FDataLink->Modified();
}

void TDBGrid::MoveRow(TGridRowMove Move)
{
    TDataSet* dataSet = DataSet();
    switch (Move) {
    case grNone: break;
    case grUp: DoUp(); break;
    case grDown: DoDown(); break;
    case grPageUp: dataSet->MoveBy(-VisibleRowCount()); break;
    case grPageDown: dataSet->MoveBy(VisibleRowCount()); break;
    case grFirst: dataSet->First(); break;
    case grLast: dataSet->Last(); break;
    case grWindowTop: dataSet->MoveBy(-FDataLink->ActiveRecord()); break;
    case grWindowBottom: dataSet->MoveBy(FDataLink->RecordCount() - 1 - FDataLink->ActiveRecord()); break;
    }
}

void TDBGrid::DoDown()
{
    TDataSet* dataSet = DataSet();
    // A new row is the last one when nothing follows it in the window and
    // the record set knows itself at its end.
    const bool atEnd = dataSet->Eof() && FDataLink->ActiveRecord() == FDataLink->RecordCount() - 1;
    if (UntouchedInsert()) {
        if (atEnd)
            return;
        // The row the new one pushed down becomes current again; no row is
        // appended after it, whatever the end flag still says.
        dataSet->Cancel();
        return;
    }
    dataSet->MoveBy(1);
    if (dataSet->Eof() && dataSet->CanModify() && !FReadOnly && (FOptions & dgEditing))
        dataSet->Append();
}

void TDBGrid::DoUp()
{
    TDataSet* dataSet = DataSet();
    const bool atEnd = dataSet->Eof() && FDataLink->ActiveRecord() == FDataLink->RecordCount() - 1;
    if (UntouchedInsert() && atEnd) {
        dataSet->Cancel();
        return;
    }
    dataSet->MoveBy(-1);
}

void TDBGrid::DoTab(bool Backward)
{
    const TGridNavigation move = Navigate(FCol, TabStops(), Backward ? gkBackTab : gkTab);
    MoveRow(move.Row);
    SelectCol(move.Col);
}

void TDBGrid::DoEscape()
{
    if (FDataLink->Modified()) {
        // Only the text typed since the last store is given up.
        LoadEditor();
    } else {
        TDataSet* dataSet = DataSet();
        if (dataSet->State() == dsEdit || dataSet->State() == dsInsert)
            dataSet->Cancel();
    }
    HideEditor();
}

void TDBGrid::DoInsert()
{
    TDataSet* dataSet = DataSet();
    if (dataSet->CanModify() && !FReadOnly && (FOptions & dgEditing))
        dataSet->Insert();
}

void TDBGrid::DoDelete()
{
    TDataSet* dataSet = DataSet();
    if (FReadOnly || dataSet->IsEmpty() || !dataSet->CanModify())
        return;
    if ((FOptions & dgConfirmDelete)
        && MessageDialog(QStringLiteral("Delete record?"), mtConfirmation, {mbOK, mbCancel}, 0) == mrCancel)
        return;
    dataSet->Delete();
}

void TDBGrid::SelectCol(int Col)
{
    if (Col == FCol || Col < 1 || Col > FColumns.Count())
        return;
    StoreEditorText();
    HideEditor();
    InvalidateCell(FCol, FRow);
    FCol = Col;
    MakeColVisible(FCol);
    InvalidateCell(FCol, FRow);
    Flush();
}

void TDBGrid::MoveToRow(int Row)
{
    TDataSet* dataSet = DataSet();
    int target = Row;
    if (UntouchedInsert()) {
        // Leaving an untouched new row removes it, and the rows below it
        // move up: aim at the row the operator pressed, not at its old place.
        const int inserted = FRow;
        dataSet->Cancel();
        if (target > inserted)
            --target;
    }
    dataSet->MoveBy(target - FRow);
}

// ---- Focus --------------------------------------------------------------------

bool TDBGrid::IsLeaving(const QFocusEvent* event) const
{
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return false;
    const QWidget* focus = QApplication::focusWidget();
    if (!focus || focus == this || focus == FInplaceEdit || isAncestorOf(focus))
        return false;
    return focus->window() == window();
}

void TDBGrid::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    InvalidateCell(FCol, FRow);
    Flush();
}

void TDBGrid::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    if (FDestroying)
        return;
    InvalidateCell(FCol, FRow);
    if (IsLeaving(event))
        Guarded([&] { LeaveGrid(); });
    Flush();
}

void TDBGrid::EditorFocusOut(QFocusEvent* event)
{
    if (FDestroying)
        return;
    if (IsLeaving(event))
        Guarded([&] { LeaveGrid(); });
}

void TDBGrid::LeaveGrid()
{
    if (!Active()) {
        HideEditor();
        return;
    }
    try {
        if ((FOptions & dgCancelOnExit) && UntouchedInsert())
            DataSet()->Cancel();
        else
            StoreEditorText();
    } catch (...) {
        // The operator goes back to the cell before the error is shown.
        if (FEditorMode && FInplaceEdit)
            FInplaceEdit->setFocus();
        else
            setFocus();
        throw;
    }
    HideEditor();
}

// ---- Mouse --------------------------------------------------------------------

void TDBGrid::mousePressEvent(QMouseEvent* event)
{
    Guarded([&] {
        const QPoint pos = event->position().toPoint();
        int col = -1, row = -1;
        CellAt(pos, col, row);
        if (row == 0) {
            TitlePress(event, col);
            return;
        }
        if (row < 0 || col < 0 || !Active())
            return;
        if (!GridFocused()) {
            setFocus(Qt::MouseFocusReason);
            if (!GridFocused())
                return;
        }
        const bool wasCurrent = row == FRow && col == FCol;
        StoreEditorText();
        HideEditor();
        if (row != FRow)
            MoveToRow(row);
        if (col >= 1)
            SelectCol(col);
        if (event->button() == Qt::LeftButton && wasCurrent)
            ShowEditor();
    });
}

void TDBGrid::TitlePress(QMouseEvent* event, int Col)
{
    StoreEditorText();
    HideEditor();
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    const int sizing = (FOptions & dgColumnResize) ? SizingColAt(pos) : 0;
    if (sizing > 0) {
        FGridState = gsColSizing;
        FSizingCol = sizing;
        FSizingOffset = pos.x() - (ColLeft(sizing) + ColWidth(sizing));
        return;
    }
    if (Col >= 1) {
        FGridState = gsTitlePressed;
        FPressedCol = Col;
        FPressPos = pos;
        InvalidateCell(Col, 0);
        Flush();
    }
}

void TDBGrid::mouseMoveEvent(QMouseEvent* event)
{
    Guarded([&] {
        const QPoint pos = event->position().toPoint();
        switch (FGridState) {
        case gsColSizing: {
            TColumn* column = FColumns[FSizingCol - 1];
            column->SetWidth(std::max(1, pos.x() - FSizingOffset - ColLeft(FSizingCol)));
            column->SetWidthAssigned(true);
            UpdateHorizontalBar();
            InvalidateAll();
            Flush();
            break;
        }
        case gsTitlePressed:
            if ((FOptions & dgColumnResize) && std::abs(pos.x() - FPressPos.x()) >= QApplication::startDragDistance())
                FGridState = gsColMoving;
            break;
        case gsColMoving: break;
        case gsNormal: {
            const bool sizing = (FOptions & dgColumnResize) && SizingColAt(pos) > 0;
            viewport()->setCursor(sizing ? Qt::SplitHCursor : Qt::ArrowCursor);
            break;
        }
        }
    });
}

void TDBGrid::mouseReleaseEvent(QMouseEvent* event)
{
    Guarded([&] {
        const TGridState state = FGridState;
        FGridState = gsNormal;
        const QPoint pos = event->position().toPoint();
        if (state == gsColSizing) {
            TColumn* column = FColumns[FSizingCol - 1];
            if (TField* field = column->Field()) {
                const QFontMetrics metrics(font());
                const int average = std::max(1, metrics.averageCharWidth());
                // The layout this triggers keeps the column's own width.
                field->SetDisplayWidth((column->Width() + average / 2 - 3) / average);
            }
            return;
        }
        if (state != gsTitlePressed && state != gsColMoving)
            return;
        InvalidateCell(FPressedCol, 0);
        int col = -1, row = -1;
        CellAt(pos, col, row);
        TColumn* pressed = FColumns[FPressedCol - 1];
        if (state == gsColMoving && col >= 1 && col != FPressedCol)
            MoveColumn(FPressedCol, col);
        Flush();
        if (row == 0 && (FOptions & dgTitleClick) && FOnTitleClick)
            FOnTitleClick(pressed);
    });
}

void TDBGrid::MoveColumn(int From, int To)
{
    TDataSet* dataSet = DataSet();
    TField* field = FColumns[From - 1]->Field();
    TField* target = FColumns[To - 1]->Field();
    if (!Active() || !field || !target)
        return;
    TField* current = SelectedField();
    StoreEditorText();
    HideEditor();
    dataSet->Fields().SetFieldIndex(field, target->Index());
    dataSet->DataEvent(deLayoutChange, 0);
    // The current column stays the one it was, wherever it went.
    const int index = FColumns.IndexOfField(current);
    if (index >= 0)
        FCol = index + 1;
    InvalidateAll();
    Flush();
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click does nothing more.
    event->accept();
}

void TDBGrid::wheelEvent(QWheelEvent* event)
{
    event->accept();
    Guarded([&] {
        if (!Active())
            return;
        FWheelDelta += event->angleDelta().y();
        while (FWheelDelta >= 120) {
            FWheelDelta -= 120;
            DataSet()->MoveBy(-1);
        }
        while (FWheelDelta <= -120) {
            FWheelDelta += 120;
            DataSet()->MoveBy(1);
        }
    });
}

void TDBGrid::CancelMode()
{
    if (FGridState == gsTitlePressed || FGridState == gsColMoving)
        InvalidateCell(FPressedCol, 0);
    FGridState = gsNormal;
}

bool TDBGrid::event(QEvent* event)
{
    if (event->type() == QEvent::UngrabMouse)
        CancelMode();
    return QAbstractScrollArea::event(event);
}

bool TDBGrid::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::UngrabMouse)
        CancelMode();
    return QAbstractScrollArea::viewportEvent(event);
}

void TDBGrid::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        Guarded([&] { InternalLayout(); });
    else if (event->type() == QEvent::PaletteChange)
        InvalidateAll();
}

void TDBGrid::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    Guarded([&] {
        UpdateRowCount();
        UpdateActive();
        UpdateHorizontalBar();
        UpdateScrollBar();
        PlaceEditor();
        InvalidateAll();
    });
}

// ---- Scroll bar ---------------------------------------------------------------

void TDBGrid::ScrollBarAction(int Action)
{
    setFocus(Qt::MouseFocusReason);
    if (!Active())
        return;
    TDataSet* dataSet = DataSet();
    try {
        switch (Action) {
        case QAbstractSlider::SliderSingleStepSub: dataSet->MoveBy(-FDataLink->ActiveRecord() - 1); break;
        case QAbstractSlider::SliderSingleStepAdd:
            dataSet->MoveBy(FDataLink->RecordCount() - FDataLink->ActiveRecord());
            break;
        case QAbstractSlider::SliderPageStepSub: dataSet->MoveBy(-VisibleRowCount()); break;
        case QAbstractSlider::SliderPageStepAdd: dataSet->MoveBy(VisibleRowCount()); break;
        case QAbstractSlider::SliderToMinimum: dataSet->First(); break;
        case QAbstractSlider::SliderToMaximum: dataSet->Last(); break;
        default: return; // the thumb is dragged: nothing until released
        }
    } catch (...) {
        UpdateScrollBar(true);
        throw;
    }
    // The bar shows where the record set is, not where the action put it.
    UpdateScrollBar(true);
}

void TDBGrid::ThumbReleased()
{
    if (!Active())
        return;
    TDataSet* dataSet = DataSet();
    const int position = verticalScrollBar()->sliderPosition();
    try {
        if (FBarMode == 1) {
            const int count = dataSet->RecordCount();
            if (position <= 1)
                dataSet->First();
            else if (position >= count)
                dataSet->Last();
            else
                dataSet->MoveBy(position - dataSet->RecNo());
        } else if (FBarMode == 0) {
            switch (position) {
            case 0: dataSet->First(); break;
            case 1: dataSet->MoveBy(-VisibleRowCount()); break;
            case 3: dataSet->MoveBy(VisibleRowCount()); break;
            case 4: dataSet->Last(); break;
            default: break;
            }
        }
    } catch (...) {
        UpdateScrollBar(true);
        throw;
    }
    UpdateScrollBar(true);
}

// ---- Painting -----------------------------------------------------------------

qint64 TDBGrid::FrameClock()
{
    // A coarse monotonic clock: a few milliseconds of resolution are plenty
    // for a 16 ms frame, and reading it costs next to nothing, which matters
    // since every notification of a long walk asks.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<qint64>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool TDBGrid::FrameDue() const
{
    return FrameClock() - FLastPaint >= FrameInterval;
}

void TDBGrid::Invalidate(const QRect& Rect)
{
    if (FAllPending)
        return;
    // What lies outside the viewport is never painted, so it must not stay
    // pending.
    const QRect visible = Rect & viewport()->rect();
    if (visible.isEmpty())
        return;
    FPending += visible;
    viewport()->update(visible);
}

void TDBGrid::InvalidateAll()
{
    if (FAllPending)
        return;
    FAllPending = true;
    FPending = QRegion(viewport()->rect());
    viewport()->update();
}

void TDBGrid::InvalidateData()
{
    if (FAllPending || FRowsPending)
        return;
    Invalidate(QRect(0, DataTop(), viewport()->width(), viewport()->height() - DataTop()));
    FRowsPending = true;
}

void TDBGrid::InvalidateRow(int Row)
{
    if (Row < 1 || FAllPending || FRowsPending)
        return;
    Invalidate(QRect(0, DataTop() + (Row - 1) * RowPitch(), viewport()->width(), RowPitch()));
}

void TDBGrid::InvalidateCell(int Col, int Row)
{
    if (FAllPending || (FRowsPending && Row >= 1))
        return;
    const QRect rect = CellRect(Col, Row);
    if (!rect.isEmpty())
        Invalidate(rect.adjusted(0, 0, 1, 1));
}

void TDBGrid::Flush()
{
    if (FPending.isEmpty() || FDestroying || !viewport()->isVisible() || !FrameDue())
        return;
    // Synchronous: the record set may be walked with no event loop running.
    viewport()->repaint(FPending);
}

void TDBGrid::paintEvent(QPaintEvent* event)
{
    ++FPaintCount;
    FLastPainted = event->region();
    // What was pending outside a viewport that has since shrunk is gone too.
    FPending = FPending.subtracted(event->region()).intersected(viewport()->rect());
    FAllPending = false;
    FRowsPending = false;
    FLastPaint = FrameClock();

    QPainter painter(viewport());
    const QRect clip = event->rect();
    const QColor base = palette().color(QPalette::Base);
    const int width = viewport()->width();

    // Rows in view, the title row included; what lies beyond the last row
    // and column is the grid's background.
    int lastRow = FRowCount - 1;
    int bottom = DataTop() + (FRowCount - 1) * RowPitch();
    if (bottom < clip.bottom() + 1)
        painter.fillRect(QRect(0, bottom, width, viewport()->height() - bottom), base);
    std::vector<int> cols{0};
    int right = IndicatorColWidth + 1;
    for (int c = FLeftCol; c <= FColumns.Count() && right <= clip.right(); ++c) {
        cols.push_back(c);
        right += ColWidth(c) + 1;
    }
    if (right <= clip.right())
        painter.fillRect(QRect(right, 0, width - right, bottom), base);

    const bool active = Active();
    std::unique_ptr<TActiveRecordSwap> swap;
    if (active)
        swap = std::make_unique<TActiveRecordSwap>(FDataLink.get());
    for (int row = 0; row <= lastRow; ++row) {
        const QRect rowRect = row == 0 ? QRect(0, 0, width, FTitleHeight + 1)
                                       : QRect(0, DataTop() + (row - 1) * RowPitch(), width, RowPitch());
        if (rowRect.top() > clip.bottom())
            break;
        if (!rowRect.intersects(clip))
            continue;
        if (active && row >= 1 && row - 1 < FDataLink->RecordCount())
            FDataLink->SetActiveRecord(row - 1);
        for (int col : cols) {
            const QRect cell = CellRect(col, row);
            if (cell.adjusted(0, 0, 1, 1).intersects(clip))
                DrawCell(painter, col, row, cell);
        }
    }
}

void TDBGrid::DrawTitle(QPainter& Painter, int Col, const QRect& Rect)
{
    const QPalette& pal = palette();
    Painter.fillRect(Rect, pal.color(QPalette::Button));
    const bool pressed = (FGridState == gsTitlePressed || FGridState == gsColMoving) && Col == FPressedCol;
    if (Col >= 1) {
        const int offset = pressed ? 3 : 2;
        Painter.setFont(TitleFont());
        Painter.setPen(pal.color(QPalette::ButtonText));
        Painter.drawText(QRect(Rect.left() + offset, Rect.top() + offset, Rect.width() - offset,
                               Rect.height() - offset),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, FColumns[Col - 1]->Title());
    }
    if (pressed)
        DrawEdge(Painter, Rect, pal.color(QPalette::Dark), pal.color(QPalette::Light));
    else
        DrawEdge(Painter, Rect, pal.color(QPalette::Light), pal.color(QPalette::Dark));
}

void TDBGrid::DrawCell(QPainter& Painter, int Col, int Row, const QRect& Rect)
{
    const QPalette& pal = palette();
    const bool fixed = Col == 0 || Row == 0;
    // Grid lines right of and below the cell: black around the fixed cells,
    // silver between data cells.
    Painter.setPen(fixed ? pal.color(QPalette::Shadow) : pal.color(QPalette::Button).darker(125));
    Painter.drawLine(Rect.right() + 1, Rect.top(), Rect.right() + 1, Rect.bottom() + 1);
    Painter.drawLine(Rect.left(), Rect.bottom() + 1, Rect.right() + 1, Rect.bottom() + 1);

    if (Row == 0) {
        DrawTitle(Painter, Col, Rect);
        return;
    }
    const bool active = Active();
    const bool hasRow = active && Row - 1 < FDataLink->RecordCount();
    if (Col == 0) {
        Painter.fillRect(Rect, pal.color(QPalette::Button));
        DrawEdge(Painter, Rect, pal.color(QPalette::Light), pal.color(QPalette::Dark));
        if (active && Row == FRow) {
            const TDataSetState state = DataSet()->State();
            const TGridIndicator symbol = state == dsEdit ? giEdit : state == dsInsert ? giInsert : giArrow;
            Painter.drawImage(Rect.right() - 2 - (IndicatorWidth - 1), Rect.top() + (Rect.height() - IndicatorHeight) / 2,
                              IndicatorImage(symbol));
        }
        return;
    }
    const bool current = Row == FRow && Col == FCol && hasFocus() && active;
    Painter.fillRect(Rect, current ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base));
    if (!hasRow)
        return;
    TField* field = FColumns[Col - 1]->Field();
    if (!field)
        return;
    const QString text = SafeDisplayText(field);
    Painter.setFont(font());
    Painter.setPen(current ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
    const TAlignment alignment = FColumns[Col - 1]->Alignment();
    QRect textRect(Rect.left(), Rect.top() + 2, Rect.width(), Rect.height() - 2);
    int flags = Qt::AlignTop | Qt::TextSingleLine;
    if (alignment == taRightJustify) {
        textRect.setRight(Rect.right() - 3);
        flags |= Qt::AlignRight;
    } else if (alignment == taCenter)
        flags |= Qt::AlignHCenter;
    else {
        textRect.setLeft(Rect.left() + 3);
        flags |= Qt::AlignLeft;
    }
    Painter.drawText(textRect, flags, text);
    if (current) {
        QPen pen(pal.color(QPalette::HighlightedText));
        pen.setDashPattern({1, 1});
        Painter.setPen(pen);
        Painter.drawRect(Rect.adjusted(0, 0, -1, -1));
    }
}
