#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/uMainTexts.h"
#include "app/uMain_win.h"
#include "base/uMessageError.h"
#include "ui/uMessageDialog.h"
#include "ui/uText_win.h"
#include "winsupport/MessageBoxWatcher.h"
#include "winsupport/uDriver.h"
#include "winsupport/uMachine.h"
#include "winsupport/uRunInCopy.h"
#include "winsupport/uSample.h"
#include "winsupport/uTestApplication.h"

// What the window and the message boxes show, read back as UTF-16 in the program's own process:
// the same Japanese texts whatever the system's ANSI code page, with the product name and paths
// as the system gives them. ctest runs this suite under the Japanese locale (code page 932) and
// again under a Western one (1252) and a UTF-8 one (65001); UNINST_TEST_ACP names the code page
// that a run is meant to have.
namespace {

using namespace testsupport;

constexpr UINT kJapanese = 932, kWestern = 1252, kUtf8 = CP_UTF8;

UINT IntendedCodePage() {
  const char* value = std::getenv("UNINST_TEST_ACP");
  return value ? static_cast<UINT>(std::strtoul(value, nullptr, 10)) : 0;
}

std::wstring Wide(const ui::TText& text) { return text.Wide().c_str(); }

std::wstring WindowText(HWND window) {
  wchar_t buffer[512] = {};
  GetWindowTextW(window, buffer, 512);
  return buffer;
}

// Product names, each tried where the ANSI code page can hold it.
struct TProductCase {
  const char* name;
  const wchar_t* product;
  std::vector<UINT> codePages;
};
const TProductCase kProducts[] = {
    {"ascii", L"KvShown", {kJapanese, kWestern, kUtf8}},
    {"western", L"KvCafé", {kWestern, kUtf8}},
    // 表示: in code page 932 the second byte of 表 is "\".
    {"japanese", L"Kv表示", {kJapanese, kUtf8}},
};

std::vector<TProductCase> ProductsForThisCodePage() {
  std::vector<TProductCase> fitting;
  for (const TProductCase& c : kProducts)
    if (std::find(c.codePages.begin(), c.codePages.end(), GetACP()) != c.codePages.end()) fitting.push_back(c);
  return fitting;
}

class DisplayTexts : public ::testing::Test {
 protected:
  void SetUp() override {
    const UINT intended = IntendedCodePage();
    if (intended != 0) {
      ASSERT_EQ(GetACP(), intended) << "this run's locale does not give the code page it is for";
    }
    TTestApplication::TakeQuitRequest();
  }
  TTestApplication application_;
};

TEST_F(DisplayTexts, WideOnlyWhereTheCodePageIsNot932) {
  // Wine reports the NT family.
  EXPECT_EQ(ui::WideDisplay(), GetACP() != kJapanese);
}

// The windows are ANSI ones fed code page 932 bytes on code page 932 and wide ones elsewhere;
// either way their texts read back as the Japanese texts, the name as written.
// The window takes the product from its program's file name: each product's window is shown by
// a copy of this program named as that product's uninstaller.
TEST_F(DisplayTexts, WindowShowsTheJapaneseTextsWithTheProductNameAndPaths) {
  for (const TProductCase& c : ProductsForThisCodePage()) {
    const std::wstring product = c.product;
    if (RunInCopy("", {}, WideToAnsi(product) + "Uninst.exe")) continue;
    SCOPED_TRACE(c.name);
    const std::wstring folderName = product + L" Files";
    const TInstalledSample installed(SampleNamed(WideToAnsi(product), WideToAnsi(folderName)));
    const TSample& sample = installed.Sample();
    {
      app::TfrmMain form;
      // The toolkit's own window classes (Wine reports its built-in controls as wide ones either
      // way).
      const bool wide = GetACP() != kJapanese;
      for (HWND window : {form.Handle(), application_.Handle()}) {
        EXPECT_EQ(IsWindowUnicode(window) != FALSE, wide) << WideToUtf8(WindowText(window));
      }
      EXPECT_EQ(WindowText(form.Handle()), product + L"スクリーンセーバー Uninstaller");
      EXPECT_EQ(WindowText(form.btnOK->Handle()), L"アンインストール(&U)");
      EXPECT_EQ(WindowText(form.btnCancel->Handle()), L"キャンセル(&C)");
      EXPECT_EQ(WindowText(application_.Handle()), L"Korvane Uninstaller");
      // The labels have no window: what they draw is their caption's form for the display.
      EXPECT_EQ(Wide(form.lblExplain->Caption()),
                product + L"スクリーンセーバーをアンインストールします");
      EXPECT_EQ(Wide(form.Label1->Caption()), L"以下のファイルを削除します");
      const std::wstring folder = AnsiToWide(ProgramFilesFolder()) + L"\\" + folderName + L"\\";
      const std::vector<std::wstring> paths = {folder + product + L".scr", folder + product + L".txt",
                                               folder + product + L"Uninst.exe"};
      EXPECT_EQ(WideListBoxItems(form.ListBox1->Handle()), paths);
      // The list keeps the system's own strings: they are what the run deletes.
      EXPECT_EQ(form.ListBox1->Items(), (std::vector<std::string>{sample.scrPath, sample.txtPath, sample.uninstallerPath}));

      // A face name in code page 932 bytes names no font under another code page.
      LOGFONTW font = {};
      ASSERT_TRUE(GetObjectW(form.Font(), sizeof(font), &font));
      EXPECT_STREQ(font.lfFaceName, L"ＭＳ Ｐゴシック");
      EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
    }
  }
}

TEST_F(DisplayTexts, MessageBoxesShowTheJapaneseTextsWithNamesAndPaths) {
  for (const TProductCase& c : ProductsForThisCodePage()) {
    SCOPED_TRACE(c.name);
    const std::wstring product = c.product;
    const ui::TText name = ui::SystemText(WideToAnsi(product));
    const std::wstring path = L"C:\\" + product + L"\\" + product + L".scr";
    const struct {
      const char* what;
      ui::TText text;
      std::wstring shown;
    } boxes[] = {
        {"missing entry", ui::FormatText(maintexts::kMissingEntry, name),
         product + L" のインストール情報が見つかりませんでした\r\n\r\nアンインストールに失敗しました"},
        {"done with a path", maintexts::kUninstallDone + maintexts::kLineBreak + ui::SystemText(WideToAnsi(path)),
         L"アンインストールが完了しました\r\n" + path},
        {"administrator rights", ui::FormatText(maintexts::kAdministratorRequired, name),
         product + L" のアンインストールには管理者の権限が必要です\r\n\r\nアンインストールに失敗しました"},
        {"a file remains", maintexts::kUninstallIncomplete + maintexts::kFilesRemain + maintexts::kLineBreak +
                               ui::SystemText(WideToAnsi(path)),
         L"アンインストールを完了できませんでした\r\n\r\n下記のファイルは削除できなかったため残っています\r\n\r\n" + path},
        {"an unknown switch", ui::FormatText(maintexts::kUnknownSwitch, ui::SystemText(WideToAnsi(L"/" + product))),
         L"不明なスイッチです: /" + product + L"\r\n\r\n"},
    };
    for (const auto& b : boxes) {
      TMessageBoxWatcher watcher;
      EXPECT_EQ(ui::ShowError(b.text), ui::mrOK) << b.what;
      const TCapturedBox box = watcher.Result();
      ASSERT_TRUE(box.Found) << b.what;
      EXPECT_EQ(box.WideTitle, L"Korvane Uninstaller") << b.what;
      EXPECT_EQ(box.WideText, b.shown) << b.what << ": " << WideToUtf8(box.WideText);
    }
  }
}

// The default error report: an exception's message is ASCII and strings from the system; the
// report of an unknown exception is the toolkit's own text.
TEST_F(DisplayTexts, ErrorReportShowsTheMessageAsTheSystemWroteIt) {
  const std::wstring folder = GetACP() == kJapanese ? L"C:\\表示" : L"C:\\Café";
  const struct {
    const char* what;
    bool known;
    std::wstring shown;
  } cases[] = {
      {"a message with a path", true, L"Cannot open file \"" + folder + L"\\x.exe\""},
      {"an unknown exception", false, L"不明なエラーが発生しました"},
  };
  for (const auto& c : cases) {
    TMessageBoxWatcher watcher;
    try {
      if (c.known) throw EMessageError(WideToAnsi(c.shown));
      throw 1;
    } catch (...) {
      application_.HandleException();
    }
    const TCapturedBox box = watcher.Result();
    ASSERT_TRUE(box.Found) << c.what;
    EXPECT_EQ(box.WideTitle, L"Korvane Uninstaller") << c.what;
    EXPECT_EQ(box.WideText, c.shown) << c.what << ": " << WideToUtf8(box.WideText);
  }
}

}  // namespace
