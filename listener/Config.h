// The listener's settings outside the command line: the Log value of
// "Orvenna Handrel.conf", the default device root folder and the automatic
// device choice. Read once, on the main thread, before the first connection;
// nothing here logs, so the caller decides what each failure costs.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace hd {

// The longest Log value text that is read.
constexpr size_t kLogValueMax = 200;

// The first "Log=" line of an INI-like text (sections and comments skipped,
// the name matched without regard to case), converted as a decimal number.
// 0 when the line is missing, its text is empty, not a number, or longer
// than kLogValueMax bytes.
long ParseLogValue(std::string_view text);

// $XDG_CONFIG_HOME/Orvenna Handrel.conf, or /etc/xdg/Orvenna Handrel.conf
// when XDG_CONFIG_HOME is unset or empty.
std::string LogSettingsPath();

// 0 with value filled in, or the errno of opening the file (value 0).
int ReadLogValue(const std::string& path, long& value);

// $XDG_DATA_HOME/handrel/device, or ~/.local/share/handrel/device.
std::string DefaultRootFolder();

// Creates the folder and any missing parents; false with errno set.
bool MakeFolders(const std::string& path);

// True when an X server answers on the display ("" or null: none). The X
// library is loaded only for the question, so the listener runs without it.
bool CanOpenDisplay(const char* display);

// True when a Wayland compositor accepts a connection on the display's
// socket: an absolute path, or a name in runtimeDir ("" or null display:
// none). Plain sockets, so the listener needs no Wayland library.
bool CanConnectWayland(const char* display, const char* runtimeDir);

// "wayland" when the Wayland display connects (a compositor is the screen
// even where it also runs an X server for older programs), else "x11" when
// the X display can be opened, else "linux" when the frame buffer device can
// be opened, else "virtual".
std::string AutoDevice(const char* display, const char* fbdev = "/dev/fb0",
                       const char* waylandDisplay = nullptr, const char* runtimeDir = nullptr);

}  // namespace hd
