#include "grid/TGridDataLink.h"

#include "grid/TDBGrid.h"

TGridDataLink::TGridDataLink(TDBGrid* Grid) : FGrid(Grid)
{
    SetVisualControl(true);
}

void TGridDataLink::ActiveChanged()
{
    FGrid->LinkActive(Active());
}

void TGridDataLink::EditingChanged()
{
    FGrid->EditingChanged();
}

void TGridDataLink::DataSetChanged()
{
    FGrid->DataChanged();
}

void TGridDataLink::DataSetScrolled(int Distance)
{
    FGrid->Scroll(Distance);
}

void TGridDataLink::LayoutChanged()
{
    FGrid->LayoutChanged();
}

void TGridDataLink::RecordChanged(TField* Field)
{
    FGrid->RecordChanged(Field);
}

void TGridDataLink::UpdateData()
{
    FGrid->UpdateData();
}

void TGridDataLink::FocusControl(TField** Field)
{
    FGrid->FocusField(Field);
}
