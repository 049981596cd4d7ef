// The temporary copy of an unattended run ("/S"): the uninstall without any window or box, its
// outcome handed back to the starter, and the starter's own file deleted once the starter has
// ended.
#pragma once
#include <string>

#include "app/uStartOptions.h"

namespace app {

// Runs the uninstall of the product that exePath names and returns the exit code. Every event
// and every failure goes to the run log only; nothing raises out of it.
unsigned RunUnattended(const TStartOptions& options, const std::string& exePath);

}  // namespace app
