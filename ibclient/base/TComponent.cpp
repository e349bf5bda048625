#include "ibclient/base/TComponent.h"

#include <algorithm>

TComponent::TComponent(TComponent* AOwner)
{
    if (AOwner)
        AOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    FDestroying = true;
    // Whoever watches this component forgets it first.
    while (!FFreeNotifies.empty()) {
        TComponent* watcher = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        std::erase(watcher->FFreeNotifies, this);
        watcher->Notification(this, TOperation::opRemove);
    }
    // Owned components go in the reverse order of their creation; each one
    // removes itself from FComponents on the way out.
    while (!FComponents.empty())
        delete FComponents.back();
    if (FOwner)
        FOwner->RemoveComponent(this);
}

void TComponent::FreeNotification(TComponent* AComponent)
{
    if (!AComponent || AComponent == this)
        return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
        FFreeNotifies.push_back(AComponent);
    if (std::find(AComponent->FFreeNotifies.begin(), AComponent->FFreeNotifies.end(), this)
        == AComponent->FFreeNotifies.end())
        AComponent->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent)
{
    if (!AComponent)
        return;
    std::erase(FFreeNotifies, AComponent);
    std::erase(AComponent->FFreeNotifies, this);
}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::InsertComponent(TComponent* AComponent)
{
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
    Notification(AComponent, TOperation::opInsert);
    for (TComponent* sibling : FComponents)
        if (sibling != AComponent)
            sibling->Notification(AComponent, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent)
{
    std::erase(FComponents, AComponent);
    AComponent->FOwner = nullptr;
    NotifyRemoval(AComponent);
}

void TComponent::NotifyRemoval(TComponent* AComponent)
{
    Notification(AComponent, TOperation::opRemove);
    // A sibling may be destroyed by a notification handler; walk a copy.
    const std::vector<TComponent*> siblings = FComponents;
    for (TComponent* sibling : siblings)
        if (std::find(FComponents.begin(), FComponents.end(), sibling) != FComponents.end())
            sibling->Notification(AComponent, TOperation::opRemove);
}
