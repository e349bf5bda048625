#include "ibclient/ibdataset/TIBBCDField.h"

TIBBCDField::TIBBCDField(TComponent* AOwner) : TBCDField(AOwner)
{
    SetSize(8);
}
