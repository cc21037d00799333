// MemoryClipboard: the device clipboard held in the agent's memory. Any
// thread; one lock guards the block. Owned by whoever made it (the file
// service); it never touches a display server.
#pragma once

#include <mutex>
#include <vector>

#include "agent/platform/Clipboard.h"

namespace hd::platform {

class MemoryClipboard : public Clipboard {
public:
    bool SetUnicodeText(const uint8_t* data, size_t size) override;
    bool GetUnicodeText(std::vector<uint8_t>& out) override;

private:
    std::mutex m_mutex;
    bool m_hasText = false;
    std::vector<uint8_t> m_block;
};

}  // namespace hd::platform
