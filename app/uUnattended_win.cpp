#include "app/uUnattended_win.h"

#include "app/uExitCodes.h"
#include "app/uUninstall_win.h"
#include "system/uHandBack_win.h"
#include "system/uRunLog_win.h"

namespace app {
namespace {

// The starter reads the outcome and ends at once; this only guards against a value on the
// command line that names something other than the starter.
constexpr unsigned long kStarterEndLimitMs = 30000;

}  // namespace

unsigned RunUnattended(const TStartOptions& options, const std::string& exePath) {
  handback::TStarterLink starter(options.HandBackPipe, options.StarterProcess);
  unsigned code = exitcode::kFailed;
  std::string deferred;
  try {
    const TProduct product = DiscoverProduct(exePath);
    if (!product.Found()) {
      code = exitcode::kUnknownProduct;
    } else {
      // Only a starter that waits for the outcome still holds its file: with none, the file is
      // deleted with the others.
      const TUninstallOutcome outcome = RunUninstall(exePath, product.Files, product.UninstallKeyPath, nullptr,
                                                     starter.Connected() ? options.StarterPath : std::string());
      code = ExitCodeOf(outcome);
      deferred = outcome.Deferred;
    }
  } catch (...) {
    runlog::LogCurrentException();
    code = exitcode::kFailed;
  }

  if (starter.Connected()) {
    runlog::Log((starter.SendOutcome(code) ? "起動元に結果を渡しました: " : "起動元に結果を渡せませんでした: ") +
                std::to_string(code));
  }
  if (!deferred.empty()) {
    starter.WaitForStarterEnd(kStarterEndLimitMs);
    // Too late for the starter's code, which has been handed back; this copy's own says it.
    const TPathState state = DeleteDeferredFile(deferred);
    if (state == TPathState::AfterRestart && code == exitcode::kDone) code = exitcode::kRestartRequired;
    if (state == TPathState::NotRemoved && (code == exitcode::kDone || code == exitcode::kRestartRequired)) {
      code = exitcode::kFailed;
    }
  }
  return code;
}

}  // namespace app
