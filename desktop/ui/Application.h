// The desktop program's start-up: the settings store, the desktop log, the
// one-instance rule and the -d start, the Configuration dialog of a first
// start, the main window and its automatic connect, and the unattended runs
// (screenshot, latency). Runs on the user-interface thread inside an existing
// QApplication; everything it makes ends before it returns.
#pragma once

#include "desktop/ui/main/StartOptions.h"

namespace hd::desktop {

// The program's exit code.
int RunApplication(const StartOptions& options);

}  // namespace hd::desktop
