// The texts the desktop shows in its message boxes, word for word. The session
// shows its own connection messages through SessionUi; these are the ones the
// main window and the Options result show, kept here so that every window and
// test uses the same text.
#pragma once

namespace hd::desktop::text {

inline constexpr const char* kRapiInitError = "Error initializing Rapi";
inline constexpr const char* kRapiInitFailed = "Rapi Initialization failed";
inline constexpr const char* kNoHosts = "No hosts configured !";
inline constexpr const char* kConnectError =
    "Error connecting to Pocket PC, make sure your Pocket PC is docked !!";
// Connect refuses skin mode away from 100 %.
inline constexpr const char* kSkinZoomConnect =
    "To use Handrel in skin mode you need to be running at a Zoom level of 100%.\n"
    "You can change the Zoom level from the View->Zoom menu.";
// The same advice after the Options dialog.
inline constexpr const char* kSkinZoomNote =
    "Note : To use Handrel in skin mode you need to be running at a Zoom level of 100%.\n"
    "You can change the Zoom level from the View->Zoom menu.";
inline constexpr const char* kTurboNote =
    "Note : You have enabled Turbo Mode.\n"
    "Turbo mode may not work properly on some devices,\n"
    "if you encounter problems the next time you Connect to your Pocket PC,\n"
    "un-check Turbo Mode in the Options dialog and try to connect again.";
inline constexpr const char* kDeviceChanged =
    "The device type has been changed, the new setting will take effect the next time you "
    "start Handrel";

// Wait box texts.
inline constexpr const char* kPleaseWait = "Please Wait ...  ";
inline constexpr const char* kConnectingTo = "Connecting to %s";

inline constexpr const char* kConfigurationTip =
    "TIP : For maximum response time try out the Turbo mode option in the Tools ->Options "
    "dialog box.";

}  // namespace hd::desktop::text
