#include <windows.h>

#include "ui/uApplication_win.h"
#include "ui/uMessageDialog.h"
#include "ui/uText_win.h"

namespace ui {

std::int32_t ShowMessageBox(const TText& text, TMessageKind kind, TMessageButtons buttons,
                            std::uint32_t extraFlags) {
  // Owner and title are taken afresh each time: the active form changes, the title may too.
  // Without an application object the box has no owner and the program's name as its title.
  const TApplication* application = CurrentApplication();
  const TForm* active = application ? application->ActiveForm() : nullptr;
  const HWND owner = active ? active->Handle() : nullptr;
  const int returned = MessageBoxOf(owner, text, application ? application->Title() : ProgramTitle(),
                                    MessageBoxStyle(kind, buttons, extraFlags));
  return MessageBoxResult(returned);
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
