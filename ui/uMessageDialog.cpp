#include "ui/uMessageDialog.h"

namespace ui {
namespace {

// MessageBoxA's constants, spelled out so this file needs no Windows header.
constexpr std::uint32_t kIconWarning = 0x30;
constexpr std::uint32_t kIconError = 0x10;
constexpr std::uint32_t kIconInformation = 0x40;
constexpr std::uint32_t kIconQuestion = 0x20;
constexpr std::uint32_t kOk = 0, kOkCancel = 1, kAbortRetryIgnore = 2, kYesNoCancel = 3,
                        kYesNo = 4, kRetryCancel = 5;
constexpr std::uint32_t kApplModal = 0, kSetForeground = 0x10000, kTopmost = 0x40000;

constexpr std::uint32_t kIcons[] = {kIconWarning, kIconError, kIconInformation, kIconQuestion,
                                    kIconInformation};

bool Has(TMessageButtons set, TMessageButtons wanted) { return (set & wanted) == wanted; }

}  // namespace

std::uint32_t MessageKindIcon(TMessageKind kind) {
  const auto index = static_cast<std::size_t>(kind);
  return index < sizeof(kIcons) / sizeof(kIcons[0]) ? kIcons[index] : kIconInformation;
}

std::uint32_t MessageButtonsType(TMessageButtons buttons) {
  // Each later test that matches replaces what the earlier ones gave.
  std::uint32_t type = kOk;
  if (Has(buttons, mbOK)) type = Has(buttons, mbCancel) ? kOkCancel : kOk;
  if (Has(buttons, mbCancel | mbRetry)) type = kRetryCancel;
  if (Has(buttons, mbAbort | mbRetry | mbIgnore)) type = kAbortRetryIgnore;
  if (Has(buttons, mbYes | mbNo)) type = Has(buttons, mbCancel) ? kYesNoCancel : kYesNo;
  return type;
}

std::uint32_t MessageBoxStyle(TMessageKind kind, TMessageButtons buttons, std::uint32_t extraFlags) {
  return MessageButtonsType(buttons) | extraFlags | MessageKindIcon(kind) | kApplModal |
         kSetForeground | kTopmost;
}

std::int32_t MessageBoxResult(std::int32_t returned) {
  switch (returned) {
    case 1: return mrOK;
    case 2: return mrCancel;
    case 3: return mrAbort;
    case 4: return mrRetry;
    case 5: return mrIgnore;
    case 6: return mrYes;
    case 7: return mrNo;
    case 10: return mrRetry;   // IDTRYAGAIN
    case 11: return mrIgnore;  // IDCONTINUE
    default: return mrNone;    // IDCLOSE, IDHELP, 0 (the box failed) and anything else
  }
}

}  // namespace ui
