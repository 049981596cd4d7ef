#include <gtest/gtest.h>

#include "ui/uMessageDialog.h"

namespace {

using namespace ui;

TEST(MessageDialog, KindSelectsItsIcon) {
  struct Case {
    TMessageKind kind;
    std::uint32_t icon;
  } cases[] = {
      {TMessageKind::Warning, 0x30},     {TMessageKind::Error, 0x10},
      {TMessageKind::Information, 0x40}, {TMessageKind::Confirmation, 0x20},
      {TMessageKind::Custom, 0x40},  // the information icon, not none
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MessageKindIcon(c.kind), c.icon) << static_cast<int>(c.kind);
  }
}

TEST(MessageDialog, ButtonSetGivesItsButtonType) {
  struct Case {
    TMessageButtons set;
    std::uint32_t type;
  } cases[] = {
      {0, 0},
      {mbOK, 0},
      {mbOK | mbCancel, 1},
      {mbAbort | mbRetry | mbIgnore, 2},
      {mbYes | mbNo | mbCancel, 3},
      {mbYes | mbNo, 4},
      {mbRetry | mbCancel, 5},
      {mbOK | mbRetry | mbCancel, 5},
      {mbAbort | mbRetry | mbIgnore | mbCancel, 2},
      {mbYes | mbNo | mbOK | mbCancel, 3},
      {mbYes | mbNo | mbAbort | mbRetry | mbIgnore, 4},
      {mbCancel, 0},
      {mbYes, 0},
      {mbAbort | mbRetry, 0},
      {static_cast<TMessageButtons>(0xFF80), 0},             // bits above 6 are ignored
      {static_cast<TMessageButtons>(0xFF80 | mbYes | mbNo), 4},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MessageButtonsType(c.set), c.type) << std::hex << c.set;
  }
}

TEST(MessageDialog, StyleJoinsButtonsExtraIconForegroundAndTopmost) {
  EXPECT_EQ(MessageBoxStyle(TMessageKind::Error, mbOK, 0), 0x50010u);
  EXPECT_EQ(MessageBoxStyle(TMessageKind::Information, mbOK, 0), 0x50040u);
  EXPECT_EQ(MessageBoxStyle(TMessageKind::Warning, mbOK, 0), 0x50030u);
  EXPECT_EQ(MessageBoxStyle(TMessageKind::Confirmation, mbYes | mbNo, 0x100), 0x50124u);
}

TEST(MessageDialog, ReturnedCodeMapsToResult) {
  struct Case {
    std::int32_t returned, result;
  } cases[] = {
      {1, mrOK},     {2, mrCancel}, {3, mrAbort},   {4, mrRetry}, {5, mrIgnore}, {6, mrYes},
      {7, mrNo},     {8, mrNone},   {9, mrNone},    {10, mrRetry}, {11, mrIgnore}, {0, mrNone},
      {12, mrNone},  {-1, mrNone},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MessageBoxResult(c.returned), c.result) << c.returned;
  }
}

}  // namespace
