// TBlobField and TWideMemoField: columns whose values live in blobs. The
// field itself holds no bytes (DataSize 0); its text is the type name in
// parentheses, upper-cased when the field has a value: "(Blob)", "(BLOB)",
// "(Memo)", "(MEMO)". Reading the contents is the concrete record set's
// business and not offered here.
#pragma once

#include "ibclient/dataset/TField.h"

class TBlobField : public TField {
public:
    explicit TBlobField(TComponent* AOwner);

    int DataSize() const override { return 0; }
    QString AsString() const override;
    QVariant AsVariant() const override;

protected:
    QString GetText(bool DisplayText) const override;
    void CheckSize(int Value) const override;
    // "Blob" or "Memo".
    virtual QString TypeName() const { return QStringLiteral("Blob"); }
};

class TWideMemoField : public TBlobField {
public:
    explicit TWideMemoField(TComponent* AOwner);

protected:
    QString TypeName() const override { return QStringLiteral("Memo"); }
};
