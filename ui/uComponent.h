// The root of the toolkit's objects: a component with the name the window's layout gives it.
// Its form owns it.
#pragma once
#include <functional>
#include <string>

namespace ui {

class TComponent {
 public:
  TComponent() = default;
  virtual ~TComponent() = default;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  std::string Name;
};

// An event handler; it receives the component that raised the event.
using TNotifyEvent = std::function<void(TComponent* Sender)>;

}  // namespace ui
