// TIBBCDField: the scaled numeric field of the Firebird record set.
#pragma once

#include "ibclient/dataset/TBCDField.h"

class TIBBCDField : public TBCDField {
public:
    explicit TIBBCDField(TComponent* AOwner);
};
