#include <windows.h>

#include "ui/uApplication_win.h"
#include "ui/uMessageDialog.h"

namespace ui {

std::int32_t ShowMessageBox(const std::string& text, TMessageKind kind, TMessageButtons buttons,
                            std::uint32_t extraFlags) {
  // Owner and title are taken afresh each time: the active form changes, the title may too.
  const TForm* active = Application().ActiveForm();
  const HWND owner = active ? active->Handle() : nullptr;
  const int returned = MessageBoxA(owner, text.c_str(), Application().Title().c_str(),
                                   MessageBoxStyle(kind, buttons, extraFlags));
  return MessageBoxResult(returned);
}

std::int32_t ShowInformation(const std::string& text) {
  return ShowMessageBox(text, TMessageKind::Information, mbOK, 0);
}

std::int32_t ShowWarning(const std::string& text) {
  return ShowMessageBox(text, TMessageKind::Warning, mbOK, 0);
}

std::int32_t ShowError(const std::string& text) {
  return ShowMessageBox(text, TMessageKind::Error, mbOK, 0);
}

}  // namespace ui
