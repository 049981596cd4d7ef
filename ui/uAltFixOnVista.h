// The component that places the Alt key cue repaint fix in a program. It has no behaviour of its
// own: the fix (the hook of ui/uAltKeyCueHook_win) lives for the whole run of the program, not
// for the life of a component.
#pragma once
#include "ui/uComponent.h"

namespace ui {

class TAltFixOnVista : public TComponent {
 public:
  using TComponent::TComponent;
};

}  // namespace ui
