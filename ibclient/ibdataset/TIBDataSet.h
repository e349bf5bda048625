// TIBDataSet: the buffered record set as the window configures it, with its
// five statement texts: the select, and the modify, insert, delete and
// refresh statements that write rows back.
#pragma once

#include "ibclient/ibdataset/TIBCustomDataSet.h"

#include <QStringList>

class TIBDataSet : public TIBCustomDataSet {
public:
    explicit TIBDataSet(TComponent* AOwner) : TIBCustomDataSet(AOwner) {}

    // A text equal to the current one changes nothing; another one closes
    // the record set when it is open and unprepares it.
    TStringList& SelectSQL() { return QSelect()->SQL(); }
    void SetSelectSQL(const QStringList& Lines) { QSelect()->SetSQL(Lines); }
    TStringList& ModifySQL() { return QModify()->SQL(); }
    void SetModifySQL(const QStringList& Lines) { QModify()->SetSQL(Lines); }
    TStringList& InsertSQL() { return QInsert()->SQL(); }
    void SetInsertSQL(const QStringList& Lines) { QInsert()->SetSQL(Lines); }
    TStringList& DeleteSQL() { return QDelete()->SQL(); }
    void SetDeleteSQL(const QStringList& Lines) { QDelete()->SetSQL(Lines); }
    TStringList& RefreshSQL() { return QRefresh()->SQL(); }
    void SetRefreshSQL(const QStringList& Lines) { QRefresh()->SetSQL(Lines); }

    bool Prepared() const { return InternalPrepared(); }
    void Prepare() { InternalPrepare(); }
    void UnPrepare() { InternalUnPrepare(); }
    TIBSQLTypes StatementType() const { return QSelect()->SQLType(); }
    isc_stmt_handle SelectStmtHandle() const { return QSelect()->Handle(); }
};
