// Command codes of the command and screen channels, HC_INIT flag bits and the
// stream result codes. One unsigned byte per command on the wire.
#pragma once

#include <cstdint>

namespace hd {

enum Cmd : uint8_t {
    HC_STOP = 0,
    HC_INIT = 1,
    HC_PING = 2,
    HC_PONG = 3,
    HC_KEY = 25,
    HC_SHIFTKEY = 26,
    HC_CHAR = 27,
    HC_KEYDOWN = 28,
    HC_KEYEVENT = 29,
    HC_APPBUTTON = 30,
    HC_MOUSE = 35,
    HC_FULLSCREEN = 50,
    HC_DELTASCREEN = 51,
    // The extended screen update, sent only to a desktop that offered INIT_EXT_SCREEN.
    HC_EXTSCREEN = 52,
    HC_GETTASKLIST = 60,
    HC_ACTIVATETASK = 61,
    HC_KILLTASK = 62,
    HC_GETTHRANDMODLISTS = 65,
    HC_GETSYSINFO = 66,
    HC_HD_CD = 100,
    HC_HD_DIR = 101,
    HC_HD_DIRTREE = 102,
    HC_HD_HASCHILDDIRS = 103,
    HC_HD_DEL = 104,
    HC_HD2HD_COPY = 105,
    HC_HD_MKDIR = 106,
    HC_HD_RMDIR = 107,
    HC_SEND_FILE = 108,
    HC_GET_FILE = 109,
    HC_HD_RENAME = 110,
    HC_SET_CLIPTEXT = 111,
    HC_GET_CLIPTEXT = 112,
};

// HC_INIT flag bits as the agent reads them.
constexpr uint16_t INIT_LOGGING = 0x0002;
constexpr uint16_t INIT_KEEP_VMEM = 0x0010;
constexpr uint16_t INIT_FAST_CONN = 0x0020;
constexpr uint16_t INIT_SLOW_CONN = 0x0040;
// The desktop reads HC_EXTSCREEN updates (common/ExtendedUpdate.h). Never
// stored with the option flags: added by the desktop as it connects.
constexpr uint16_t INIT_EXT_SCREEN = 0x0100;

// Stream results (32-bit HRESULT values).
using HRESULT = int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = int32_t(0x80004005u);
constexpr HRESULT E_READ_TIMEOUT = int32_t(0x8000FADEu);

// Read results of the channel.
enum ReadResult : int { READ_DONE = 0, READ_FAILED = 1, READ_TIMEOUT = 2 };

constexpr uint16_t kDefaultPort = 5492;

}  // namespace hd
