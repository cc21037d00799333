// Applies the Options dialog's result: writes the settings store in the order
// the main frame must follow and returns, in that same order, what is left for
// the main frame to do (skin window, messages, switches it holds in memory).
// No widgets; called on the user-interface thread. It never shows anything
// itself, and it never touches process-wide switches unless asked to
// (RunProcessStep), so that a test can run it without side effects.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "desktop/session/Settings.h"
#include "desktop/ui/dialogs/OptionsResult.h"

namespace hd::desktop {

// What the main frame holds when the dialog closes.
struct OptionsState {
    uint16_t flags = 0;  // the flags word in memory (with the speed bit)
    int device = 0;      // the device type the program runs with
    bool connected = false;
    int zoom = 120;  // percent
};

struct OptionsStep {
    enum Kind {
        HideSkin,        // hide the skin window
        LoadSkin,        // load and show the skin named by text
        Disconnect,      // run the Disconnect sequence
        Message,         // show text in a message box
        SetDesktopLog,   // desktop verbose log on (value 1) or off
        SetKeyboard,     // keep keyboard layout code value
        SetFlags,        // keep the reloaded flags word value (with the speed bit)
        SetSensitivity,  // desktop connection sensitivity value
        ShowSkin,        // show the skin window again
        Repaint,         // repaint the view
    };
    Kind kind;
    int value = 0;
    std::string text;
};

std::vector<OptionsStep> ApplyOptions(Settings& store, const OptionsState& state,
                                      const OptionsResult& result);

// Performs SetDesktopLog and SetSensitivity (process-wide switches); false for
// every other kind, which the main frame performs itself.
bool RunProcessStep(const OptionsStep& step);

}  // namespace hd::desktop
