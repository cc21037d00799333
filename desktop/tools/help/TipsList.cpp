#include "desktop/tools/help/TipsList.h"

namespace hd::tools {

const std::vector<std::string>& Tips() {
    static const std::vector<std::string> tips = {
        "To connect, choose File > Connect (Ctrl+N). The built-in handheld needs no set-up; "
        "for a device running the listener, choose a TCP/IP type and add its host in "
        "Tools > Options.",
        "Tick \"Automatically Connect to Pocket PC\" in Tools > Options and Handrel connects "
        "as soon as it starts.",
        "View > Zoom shows the handheld's screen at 100 to 300 %, and View > Landscape turns "
        "it on its side. Both are kept for the next start.",
        "The toolbar's buttons 1 to 5 (Ctrl+1 to Ctrl+5) press the handheld's application "
        "buttons.",
        "Click on the live view to tap the handheld's screen and drag to draw; what you type "
        "while the view has the focus is typed on the handheld.",
        "The Clipboard menu copies text from the desktop's clipboard to the handheld's and "
        "back. With AutoCopy on, every text you copy on the desktop goes to the handheld.",
        "In Handrel Explore, drag files between the desktop and the handheld to copy them; "
        "files dropped from your file manager are copied too.",
        "The Remote DOS Box knows dir, cd, copy, del, md, rd and cls on the handheld (drive "
        "1:) and on the desktop (C: and on). Type help for the list.",
        "In the Remote DOS Box, Up and Down bring back the lines you entered, and Tab "
        "completes a file or folder name; press Tab again for the next match.",
        "Tools > Handrel Manager lists the handheld's running applications: bring one to the "
        "front, end it, or look at its threads and modules.",
        "Tools > Status shows the connection's statistics: bytes, frames, keys and taps.",
    };
    return tips;
}

int TipIndex(int stored) {
    const int n = int(Tips().size());
    return ((stored % n) + n) % n;
}

int NextTip(int index) {
    return TipIndex(index + 1);
}

}  // namespace hd::tools
