// TComponent: the base of every component. A component has an owner, a name
// and the components it owns; an owner destroys what it owns in the reverse
// order of their creation. When a component goes away, its owner, its
// siblings and everyone that asked for a free notification are told, so that
// nobody keeps a reference to it.
#pragma once

#include <QString>

#include <vector>

enum class TOperation { opInsert, opRemove };

class TComponent {
public:
    explicit TComponent(TComponent* AOwner);
    virtual ~TComponent();

    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }
    const QString& Name() const { return FName; }
    void SetName(const QString& name) { FName = name; }

    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(static_cast<std::size_t>(index)); }

    // csDestroying: set once the destructor has started.
    bool IsDestroying() const { return FDestroying; }
    // csLoading / csDesigning: never set by this program; kept so that the
    // rules that depend on them read as designed.
    bool IsLoading() const { return false; }
    bool IsDesigning() const { return false; }

    // Asks to be told (Notification with opRemove) when AComponent goes away,
    // and tells AComponent the same about this one.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

protected:
    // Told when a component is inserted into or removed from this component's
    // owner (or from this component), or when a component this one watches
    // is destroyed.
    virtual void Notification(TComponent* AComponent, TOperation Operation);

    // Derived destructors call this first, so that the rest of the tree sees
    // the component as going away while it still works.
    void Destroying() { FDestroying = true; }

private:
    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    void NotifyRemoval(TComponent* AComponent);

    TComponent* FOwner = nullptr;
    QString FName;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    bool FDestroying = false;
};
