#include "ibclient/base/TStringList.h"

void TStringList::Changing()
{
    if (FUpdateCount == 0 && FOnChanging)
        FOnChanging();
}

void TStringList::Changed()
{
    if (FUpdateCount == 0 && FOnChange)
        FOnChange();
}

void TStringList::BeginUpdate()
{
    if (FUpdateCount == 0)
        Changing();
    ++FUpdateCount;
}

void TStringList::EndUpdate()
{
    --FUpdateCount;
    if (FUpdateCount == 0)
        Changed();
}

void TStringList::Add(const QString& line)
{
    Insert(Count(), line);
}

void TStringList::Insert(int index, const QString& line)
{
    Changing();
    FLines.insert(index, line);
    Changed();
}

void TStringList::Delete(int index)
{
    Changing();
    FLines.removeAt(index);
    Changed();
}

void TStringList::SetStrings(int index, const QString& line)
{
    Changing();
    FLines[index] = line;
    Changed();
}

void TStringList::Clear()
{
    if (FLines.isEmpty())
        return;
    Changing();
    FLines.clear();
    Changed();
}

void TStringList::Assign(const QStringList& lines)
{
    Changing();
    FLines = lines;
    Changed();
}

QString TStringList::Text() const
{
    QString text;
    for (const QString& line : FLines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return text;
}

void TStringList::SetText(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < n)
        lines.append(text.mid(start));
    Assign(lines);
}
