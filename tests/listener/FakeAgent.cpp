// A stand-in for libhdagent in listener tests, built three ways: with both
// entry points, with HdInvoke only, and with neither. HdInvoke writes 'I'
// when its arguments are as the remote-API service gives them and reads
// commands until 0 or a failure. HdScreen reads the interval, writes 'S', and
// ends on a 'Q' from the desktop (answering 0) or a failed read; without the
// 'Q' it only ends when its socket is shut down.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "common/Stream.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
// Plain storage: a class-type global could be initialised after OnLoad runs.
char g_rootAtLoad[256];

__attribute__((constructor)) void OnLoad() {
    const char* root = std::getenv("HANDREL_ROOT");
    std::strncpy(g_rootAtLoad, root ? root : "", sizeof g_rootAtLoad - 1);
}

// One byte; E_READ_TIMEOUT is waited out as the agent's full reads do.
[[maybe_unused]] bool ReadByte(hd::IRAPIStream* s, uint8_t& b) {
    uint32_t n = 0;
    hd::HRESULT hr;
    while ((hr = s->Read(&b, 1, &n)) == hd::E_READ_TIMEOUT) {
    }
    return hr == hd::S_OK;
}

[[maybe_unused]] void WriteByte(hd::IRAPIStream* s, uint8_t b) {
    uint32_t n = 0;
    s->Write(&b, 1, &n);
}
}  // namespace

// HANDREL_ROOT as the library saw it when it was loaded.
FAKE_EXPORT const char* FakeAgentRootAtLoad() {
    return g_rootAtLoad;
}

#ifdef FAKE_INVOKE
FAKE_EXPORT hd::HRESULT HdInvoke(uint32_t, uint8_t* in, uint32_t* cbOut, uint8_t** out,
                                 hd::IRAPIStream* s) {
    WriteByte(s, in && cbOut && out ? 'I' : '!');
    uint8_t cmd = 0;
    while (ReadByte(s, cmd) && cmd != 0) {
    }
    return 0;
}
#endif

#ifdef FAKE_SCREEN
FAKE_EXPORT hd::HRESULT HdScreen(uint32_t, uint8_t*, uint32_t*, uint8_t**, hd::IRAPIStream* s) {
    uint8_t interval[4];
    for (auto& b : interval)
        if (!ReadByte(s, b)) return 0;
    WriteByte(s, 'S');
    uint8_t b = 0;
    while (ReadByte(s, b))
        if (b == 'Q') {
            WriteByte(s, 0);
            return 0;
        }
    return 0;
}
#endif
