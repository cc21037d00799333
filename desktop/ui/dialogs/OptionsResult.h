// The values the Options dialog edits, as one plain record: read from the
// settings store and the main frame's state when the dialog opens, returned by
// the dialog on OK and handed to ApplyOptions. No widgets; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "desktop/session/Settings.h"

namespace hd::desktop {

struct OptionsResult {
    // General
    bool autoStart = false;    // flag 0x1000
    bool autoConnect = false;  // flag 0x2000
    bool multiInst = false;
    int keyboard = 0;         // stored layout code
    int device = 0;           // 0 iPAQ, 1 Cassiopeia, 2 Jornada, 3 Other
    bool viewInSkin = false;  // flag 0x4000
    std::string skinName;
    bool tips = true;
    bool turbo = false;      // flag 0x0010
    int dosFontHeight = 14;  // 1..20
    // Connection
    int connTypePosition = 0;  // position in the "Type" list
    std::vector<std::string> hosts;
    int sensitivity = 0;  // 0 High, 1 Medium, 2 Low
    // Logging
    bool desktopLog = false;  // flag 0x0001
    bool deviceLog = false;   // flag 0x0002
};

// The dialog's starting values: the flags word the main frame holds, the
// device type the program runs with, the rest from the store.
OptionsResult ReadOptions(Settings& store, uint16_t flags, int runningDevice);

// The flags word built from the checkboxes only (no speed bit).
uint16_t CheckboxFlags(const OptionsResult& r);

}  // namespace hd::desktop
