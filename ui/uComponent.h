// The root of the toolkit's objects: a named component that owns the components created for it
// and destroys them with itself, last created first.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ui {

class TComponent {
 public:
  explicit TComponent(TComponent* owner = nullptr) : owner_(owner) {}
  virtual ~TComponent() { DestroyComponents(); }
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  std::string Name;

  TComponent* Owner() const { return owner_; }

  // Creates a T owned by this component: T's constructor receives this as its owner.
  template <typename T, typename... Args>
  T* CreateOwned(Args&&... args) {
    auto component = std::make_unique<T>(this, std::forward<Args>(args)...);
    T* raw = component.get();
    owned_.push_back(std::move(component));
    return raw;
  }

  // Owned components in creation order.
  std::size_t ComponentCount() const { return owned_.size(); }
  TComponent* Component(std::size_t index) const { return owned_[index].get(); }

  // The owned component of that name and type; nullptr when there is none.
  template <typename T>
  T* FindComponent(const std::string& name) const {
    for (const auto& c : owned_) {
      if (c->Name == name) return dynamic_cast<T*>(c.get());
    }
    return nullptr;
  }

 protected:
  // Destroys the owned components now, last created first.
  void DestroyComponents() {
    while (!owned_.empty()) owned_.pop_back();
  }

 private:
  TComponent* owner_;
  std::vector<std::unique_ptr<TComponent>> owned_;
};

// An event handler; it receives the component that raised the event.
using TNotifyEvent = std::function<void(TComponent* sender)>;

}  // namespace ui
