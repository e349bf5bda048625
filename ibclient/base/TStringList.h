// TStringList: an ordered list of lines with a handler called before any
// change and one called after it. Connection and transaction parameters and
// statement texts are kept in such lists, whose owners refuse changes in the
// before-change handler (by raising) or drop cached blocks in the after-change
// handler.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class TStringList {
public:
    using TNotifyEvent = std::function<void()>;

    TStringList() = default;
    TStringList(const TStringList&) = delete;
    TStringList& operator=(const TStringList&) = delete;

    int Count() const { return static_cast<int>(FLines.size()); }
    const QString& Strings(int index) const { return FLines.at(index); }
    const QString& operator[](int index) const { return FLines.at(index); }
    const QStringList& Lines() const { return FLines; }

    void Add(const QString& line);
    void Insert(int index, const QString& line);
    void Delete(int index);
    void SetStrings(int index, const QString& line);
    void Clear();
    // Replaces every line in one change (one before-change and one
    // after-change call).
    void Assign(const QStringList& lines);

    // Every line followed by CR LF, as statement texts are assembled.
    QString Text() const;
    // Splits at CR LF, LF or CR; a final line break adds no empty line.
    void SetText(const QString& text);

    // Nested updates make one change: before-change on the first BeginUpdate,
    // after-change on the last EndUpdate.
    void BeginUpdate();
    void EndUpdate();

    void SetOnChanging(TNotifyEvent handler) { FOnChanging = std::move(handler); }
    void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

private:
    void Changing();
    void Changed();

    QStringList FLines;
    int FUpdateCount = 0;
    TNotifyEvent FOnChanging;
    TNotifyEvent FOnChange;
};
