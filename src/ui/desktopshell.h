#pragma once

#include "platform/shell.h"

namespace ui {

// The desktop's own shell; lives for the whole run. On Windows it is the
// system shell's open call; elsewhere it hands targets to the desktop's URL
// handlers, which need Qt Gui, so it lives with the windows.
platform::Shell &desktopShell();

} // namespace ui
