// QtClipboard: the desktop clipboard for the file client, over the toolkit's
// clipboard. User-interface thread only (the toolkit's clipboard lives there);
// owned by the main window. It only reads and writes plain text.
#pragma once

#include "desktop/tools/files/DesktopClipboard.h"

namespace hd::desktop {

class QtClipboard : public tools::DesktopClipboard {
public:
    std::optional<std::string> Text() override;
    bool SetText(const std::string& utf8) override;
};

}  // namespace hd::desktop
