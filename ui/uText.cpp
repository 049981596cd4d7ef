#include "ui/uText.h"

#include "system/uMbcs.h"

namespace ui {

TText FormatText(const TText& format, const TText& arg) {
  return TText(mbcs::FormatText(format.Bytes(), arg.Bytes()), mbcs::FormatWith(format.Wide(), arg.Wide()));
}

}  // namespace ui
