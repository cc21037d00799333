// MemoryGx: the display-memory layer ("gx.dll", or "NVDGAPI.DLL" with the
// virtual-display calls) over memory a display backend already holds.
// Used on the screen thread by the frame-buffer reader, which owns it; the
// memory source keeps the memory alive, so the layer may outlive its display.
// It never hands out memory before OpenDisplay or after CloseDisplay.
#pragma once

#include <functional>

#include "agent/platform/Display.h"

namespace hd::platform {

class MemoryGx : public GxLibrary {
public:
    // memory() gives the address of pixel (0, 0) at the time of the call.
    MemoryGx(GxProperties properties, std::function<uint8_t*()> memory, bool virtualDisplay)
        : m_properties(properties), m_memory(std::move(memory)), m_virtual(virtualDisplay) {}

    // A layer without memory behind it cannot be opened; the reader then
    // falls back to the screen copy.
    bool OpenDisplay() override {
        m_open = m_memory && m_memory() != nullptr;
        return m_open;
    }
    void CloseDisplay() override { m_open = false; }
    GxProperties GetDisplayProperties() override { return m_properties; }
    uint8_t* BeginDraw() override { return m_open ? m_memory() : nullptr; }
    void EndDraw() override {}
    uint8_t* BeginRead() override { return m_open && m_virtual ? m_memory() : nullptr; }
    void UseVirtualDisplay(int on) override { m_useVirtual = on; }

    bool IsOpen() const { return m_open; }
    int VirtualDisplayMode() const { return m_useVirtual; }

private:
    GxProperties m_properties;
    std::function<uint8_t*()> m_memory;
    bool m_virtual;
    bool m_open = false;
    int m_useVirtual = 0;
};

}  // namespace hd::platform
