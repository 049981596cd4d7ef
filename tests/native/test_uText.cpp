#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "app/uMainLayout.h"
#include "app/uMainTexts.h"
#include "ui/uText.h"

namespace {

std::wstring Wide(const ui::TText& text) { return text.Wide().c_str(); }

// Code page 932 bytes read as code page 932 by the C library, in this system's wchar_t.
std::wstring FromCp932(const std::string& bytes) {
  iconv_t cd = iconv_open("WCHAR_T", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return L"(no CP932 converter)";
  std::wstring out(bytes.size() + 1, L'\0');
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  char* to = reinterpret_cast<char*>(&out[0]);
  std::size_t toLeft = out.size() * sizeof(wchar_t);
  const std::size_t result = iconv(cd, &in, &inLeft, &to, &toLeft);
  iconv_close(cd);
  if (result == static_cast<std::size_t>(-1)) return L"(not code page 932)";
  out.resize(out.size() - toLeft / sizeof(wchar_t));
  return out;
}

// Both forms of every own text are one text: the bytes say in code page 932 what the UTF-16
// form says, so the program shows the same words whichever of the two the system gets.
TEST(OwnText, BothFormsOfEveryTextAreTheSameText) {
  const layout::TMainLayout& l = layout::kMainLayout;
  const struct {
    const char* name;
    ui::TOwnText text;
  } cases[] = {
      {"form caption", l.Form.Caption},
      {"font", l.Form.Font.Name},
      {"Label1", l.Label1.Caption},
      {"lblExplain", l.lblExplain.Caption},
      {"btnOK", l.btnOK.Caption},
      {"btnCancel", l.btnCancel.Caption},
      {"title", maintexts::kApplicationTitle},
      {"caption", maintexts::kMainCaption},
      {"missing entry", maintexts::kMissingEntry},
      {"running", maintexts::kScreenSaverRunning},
      {"done", maintexts::kUninstallDone},
      {"done after restart", maintexts::kUninstallDoneAfterRestart},
      {"line break", maintexts::kLineBreak},
      {"incomplete", maintexts::kUninstallIncomplete},
      {"files remain", maintexts::kFilesRemain},
      {"entry remains", maintexts::kEntryRemains},
      {"also after restart", maintexts::kAlsoAfterRestart},
      {"administrator required", maintexts::kAdministratorRequired},
      {"copy not started", maintexts::kCopyNotStarted},
      {"uninstall failed", maintexts::kUninstallFailedEnd},
      {"usage", maintexts::kUsage},
      {"unknown switch", maintexts::kUnknownSwitch},
      {"nothing deleted", maintexts::kNothingDeleted},
  };
  for (const auto& c : cases) {
    ASSERT_NE(c.text.Bytes, nullptr) << c.name;
    EXPECT_EQ(FromCp932(c.text.Bytes), std::wstring(c.text.Wide)) << c.name;
  }
  // The non-ASCII ones, so that a source or compiler that loses the Japanese shows up here.
  EXPECT_EQ(std::wstring(maintexts::kUninstallDone.Wide), L"\x30A2\x30F3\x30A4\x30F3\x30B9\x30C8\x30FC\x30EB\x304C"
                                                      L"\x5B8C\x4E86\x3057\x307E\x3057\x305F");
  EXPECT_EQ(std::string(maintexts::kUninstallDone.Bytes), "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B"
                                                      "\x83\x8B\x82\xAA\x8A\xAE\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD");
  EXPECT_EQ(l.ListBox1.Caption.Bytes, nullptr);
  EXPECT_TRUE(ui::TText(l.ListBox1.Caption).Empty());
}

// A string from the system keeps its own code page in the bytes; the program's text keeps 932.
// Joined and formatted, each form is made of the same form of its pieces.
TEST(Text, PiecesKeepTheirFormsWhenJoinedAndFormatted) {
  const ui::TText cafe("Caf\xE9", L"Caf\x00E9");  // "Café" as code page 1252 gives it
  const ui::TText caption = ui::FormatText(maintexts::kMainCaption, cafe);
  EXPECT_EQ(caption.Bytes(), "Caf\xE9" + std::string("\x83\x58\x83\x4E\x83\x8A\x81\x5B\x83\x93\x83\x5A\x81\x5B"
                                                      "\x83\x6F\x81\x5B Uninstaller"));
  EXPECT_EQ(Wide(caption), L"Caf\x00E9\x30B9\x30AF\x30EA\x30FC\x30F3\x30BB\x30FC\x30D0\x30FC Uninstaller");

  // A product name holding a format is shown as written, in both forms.
  const ui::TText odd("100%s", L"100%s");
  EXPECT_EQ(Wide(ui::FormatText(OWN_TEXT("a%%b%s|%s"), odd)), L"a%b100%s|100%s");
  EXPECT_EQ(ui::FormatText(OWN_TEXT("a%%b%s|%s"), odd).Bytes(), "a%b100%s|100%s");

  ui::TText message = maintexts::kUninstallDoneAfterRestart;
  message += maintexts::kLineBreak + cafe;
  message += maintexts::kLineBreak + ui::TText("C:\\x", L"C:\\x");
  EXPECT_EQ(message.Bytes(), std::string(maintexts::kUninstallDoneAfterRestart.Bytes) + "\r\nCaf\xE9\r\nC:\\x");
  EXPECT_EQ(Wide(message), std::wstring(maintexts::kUninstallDoneAfterRestart.Wide) + L"\r\nCaf\x00E9\r\nC:\\x");
}

}  // namespace
