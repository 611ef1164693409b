// The component base: an optional owner that frees what it owns, removal
// notification between components that refer to each other, and two-phase
// construction so that the virtual SetUpComponent hook runs on the complete
// object, each class doing its inherited part first.
#pragma once

#include <memory>
#include <utility>
#include <vector>

namespace zorapi {

enum class TOperation { opInsert, opRemove };

class TComponent {
 public:
  explicit TComponent(TComponent* AOwner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }

  // AComponent is told through its Notification when this component is freed.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

 protected:
  // Called on a component that asked to be notified (and on the owner) when
  // AComponent is being freed.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // Initialisation hook run right after construction.
  virtual void SetUpComponent() {}

 private:
  friend struct ComponentFactory;
  void RemoveNotifyLink(TComponent* AComponent);

  TComponent* FOwner;
  std::vector<TComponent*> FComponents;     // owned, freed with this component
  std::vector<TComponent*> FFreeNotifies;   // told when this one is freed, and the reverse
};

struct ComponentFactory {
  template <class T, class... Args>
  static T* Build(Args&&... args) {
    auto c = std::make_unique<T>(std::forward<Args>(args)...);
    static_cast<TComponent*>(c.get())->SetUpComponent();
    return c.release();
  }
};

// A component without owner, owned by the caller.
template <class T, class... Args>
std::unique_ptr<T> NewComponent(Args&&... args) {
  return std::unique_ptr<T>(ComponentFactory::Build<T>(nullptr, std::forward<Args>(args)...));
}

// A component owned by AOwner, which frees it unless it is deleted earlier.
template <class T, class... Args>
T* NewOwnedComponent(TComponent* AOwner, Args&&... args) {
  return ComponentFactory::Build<T>(AOwner, std::forward<Args>(args)...);
}

}  // namespace zorapi
