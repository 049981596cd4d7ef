#include <windows.h>

#include "ui/uApplication_win.h"
#include "ui/uMessageDialog.h"

namespace ui {

std::int32_t ShowMessageBox(const TText& text, TMessageKind kind, TMessageButtons buttons,
                            std::uint32_t extraFlags) {
  return MessageBoxResult(ShowProgramBox(text, MessageBoxStyle(kind, buttons, extraFlags)));
}

std::int32_t ShowInformation(const TText& text) {
  return ShowMessageBox(text, TMessageKind::Information, mbOK, 0);
}

std::int32_t ShowWarning(const TText& text) {
  return ShowMessageBox(text, TMessageKind::Warning, mbOK, 0);
}

std::int32_t ShowError(const TText& text) {
  return ShowMessageBox(text, TMessageKind::Error, mbOK, 0);
}

}  // namespace ui
