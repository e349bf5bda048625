// The component tree and the string list with change handlers.
#include "ibclient/base/TComponent.h"
#include "ibclient/base/TStringList.h"
#include "ibclient/base/Exception.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<QString> g_log;

class Probe : public TComponent {
public:
    Probe(TComponent* owner, const QString& name) : TComponent(owner) { SetName(name); }
    ~Probe() override { g_log.push_back(QStringLiteral("~") + Name()); }
    TComponent* watched = nullptr;

protected:
    void Notification(TComponent* c, TOperation op) override
    {
        if (op == TOperation::opRemove && c == watched)
            watched = nullptr;
    }
};

TEST(Component, OwnedComponentsAreDestroyedInReverseOrderOfCreation)
{
    g_log.clear();
    auto* owner = new Probe(nullptr, QStringLiteral("Form1"));
    new Probe(owner, QStringLiteral("DataSource1"));
    auto* db = new Probe(owner, QStringLiteral("IBDatabase1"));
    new Probe(db, QStringLiteral("Internal"));
    new Probe(owner, QStringLiteral("IBTransaction1"));
    new Probe(owner, QStringLiteral("IBDataSet1"));
    EXPECT_EQ(owner->ComponentCount(), 4);
    delete owner;
    const std::vector<QString> expected = {
        QStringLiteral("~Form1"),          QStringLiteral("~IBDataSet1"), QStringLiteral("~IBTransaction1"),
        QStringLiteral("~IBDatabase1"),    QStringLiteral("~Internal"),   QStringLiteral("~DataSource1")};
    EXPECT_EQ(g_log, expected);
}

TEST(Component, SiblingsAndWatchersForgetADestroyedComponent)
{
    Probe owner(nullptr, QStringLiteral("Form1"));
    auto* a = new Probe(&owner, QStringLiteral("a"));
    auto* b = new Probe(&owner, QStringLiteral("b"));
    Probe outsider(nullptr, QStringLiteral("outsider"));
    a->watched = b;
    outsider.watched = b;
    outsider.FreeNotification(b);
    delete b;
    EXPECT_EQ(a->watched, nullptr);
    EXPECT_EQ(outsider.watched, nullptr);
    EXPECT_EQ(owner.ComponentCount(), 1);
}

TEST(StringList, HandlersSurroundEveryChangeAndARefusalKeepsTheLines)
{
    TStringList list;
    int before = 0, after = 0;
    bool refuse = false;
    list.SetOnChanging([&] {
        ++before;
        if (refuse)
            throw EDatabaseError(QStringLiteral("refused"));
    });
    list.SetOnChange([&] { ++after; });
    list.Add(QStringLiteral("read_committed"));
    list.Assign({QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_EQ(before, 2);
    EXPECT_EQ(after, 2);
    refuse = true;
    EXPECT_THROW(list.Add(QStringLiteral("c")), EDatabaseError);
    EXPECT_EQ(list.Lines(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(after, 2);
}

TEST(StringList, TextEndsEveryLineWithCrLfAndSetTextSplitsAnyBreak)
{
    TStringList list;
    list.SetText(QStringLiteral("update IMMAGINI\r\nset\n  EXTFILE = :EXTFILE\rwhere\r\n"));
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list[2], QStringLiteral("  EXTFILE = :EXTFILE"));
    EXPECT_EQ(list.Text(), QStringLiteral("update IMMAGINI\r\nset\r\n  EXTFILE = :EXTFILE\r\nwhere\r\n"));
    list.Clear();
    EXPECT_EQ(list.Text(), QString());
}

} // namespace
