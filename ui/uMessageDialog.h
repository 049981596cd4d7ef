// The system's message box for a kind of message and a set of buttons. The style and result
// mapping is portable; showing the box (ShowMessageBox and the wrappers) exists on Windows only.
#pragma once
#include <cstdint>
#include <string>

#include "ui/uText.h"

namespace ui {

enum class TMessageKind : std::uint8_t { Warning = 0, Error = 1, Information = 2, Confirmation = 3, Custom = 4 };

// Bit n set requests button n; only bits 0 to 6 are looked at.
using TMessageButtons = std::uint16_t;
enum TMessageButton : std::uint16_t {
  mbYes = 1u << 0,
  mbNo = 1u << 1,
  mbOK = 1u << 2,
  mbCancel = 1u << 3,
  mbAbort = 1u << 4,
  mbRetry = 1u << 5,
  mbIgnore = 1u << 6,
};

// Which button closed the box: the system's IDOK..IDNO, or none.
enum TMessageResult : std::int32_t {
  mrNone = 0, mrOK = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7
};

// The MB_ICON* flag of a kind; Custom shows the information icon.
std::uint32_t MessageKindIcon(TMessageKind kind);
// The MB_OK..MB_RETRYCANCEL button type for a set: Yes+No outranks Abort+Retry+Ignore, which
// outranks Retry+Cancel, which outranks OK; anything else is MB_OK.
std::uint32_t MessageButtonsType(TMessageButtons buttons);
// The whole MessageBoxA style: button type | extra flags | icon | MB_SETFOREGROUND | MB_TOPMOST.
std::uint32_t MessageBoxStyle(TMessageKind kind, TMessageButtons buttons, std::uint32_t extraFlags);
// What a MessageBoxA return value means as a result; Try Again counts as Retry, Continue as Ignore.
std::int32_t MessageBoxResult(std::int32_t returned);

// Shows the box, owned by the application's active form when there is one, titled with the
// application's title (the program's name when there is no application object); blocks until it
// is closed. 0 when the box could not be shown.
std::int32_t ShowMessageBox(const TText& text, TMessageKind kind, TMessageButtons buttons,
                            std::uint32_t extraFlags);
// A box with the single button OK and the kind's icon.
std::int32_t ShowInformation(const TText& text);
std::int32_t ShowWarning(const TText& text);
std::int32_t ShowError(const TText& text);

}  // namespace ui
