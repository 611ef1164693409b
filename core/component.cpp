#include "core/component.h"

#include <algorithm>

namespace zorapi {
namespace {

void Erase(std::vector<TComponent*>& list, TComponent* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner) {
  if (FOwner) FOwner->FComponents.push_back(this);
}

TComponent::~TComponent() {
  // Tell everyone that asked, then the owner; each drops its reference.
  const auto notifies = std::move(FFreeNotifies);
  for (TComponent* c : notifies) {
    c->RemoveNotifyLink(this);
    c->Notification(this, TOperation::opRemove);
  }
  if (FOwner) {
    Erase(FOwner->FComponents, this);
    FOwner->Notification(this, TOperation::opRemove);
  }
  // Owned components must not call back into this half-destroyed owner.
  const auto owned = std::move(FComponents);
  for (TComponent* c : owned) c->FOwner = nullptr;
  for (auto it = owned.rbegin(); it != owned.rend(); ++it) delete *it;
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
    FFreeNotifies.push_back(AComponent);
  if (std::find(AComponent->FFreeNotifies.begin(), AComponent->FFreeNotifies.end(), this) ==
      AComponent->FFreeNotifies.end())
    AComponent->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  RemoveNotifyLink(AComponent);
  AComponent->RemoveNotifyLink(this);
}

void TComponent::RemoveNotifyLink(TComponent* AComponent) { Erase(FFreeNotifies, AComponent); }

void TComponent::Notification(TComponent*, TOperation) {}

}  // namespace zorapi
