// PacketPipeline: packs large screen updates on a thread of its own, so that
// the sender captures and compares the next screen while the last one is
// packed. The sender's loop (HdScreen) hands an update over and later takes
// its packet back and writes it itself: the screen channel keeps its one
// writer and packets keep their order. Owned by the sender; the thread starts
// at the first hand-over and is stopped and joined by the destructor. Buffers
// are swapped, never copied, and reused from one update to the next.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "common/GrowBuffer.h"
#include "common/ZlibPacker.h"

namespace hd {

// The update packet: command, compressed length C, delta length D (both
// big-endian), then the zlib data. False (logged) when packing failed.
bool PackUpdate(ZlibPacker& packer, uint8_t command, const GrowBuffer& delta, GrowBuffer& packet,
                int level);

class PacketPipeline {
public:
    PacketPipeline() = default;
    ~PacketPipeline();
    PacketPipeline(const PacketPipeline&) = delete;
    PacketPipeline& operator=(const PacketPipeline&) = delete;

    // Takes the update (swapping its buffer for one of ours) and packs it.
    // Only while nothing is pending. Sender's loop only, as are the others.
    void Submit(uint8_t command, GrowBuffer& delta, int level);
    bool Pending() const { return m_pending; }
    // Waits for the packet of the update handed over and swaps it into
    // packet; false when packing failed. Nothing is pending afterwards.
    bool Take(GrowBuffer& packet);

private:
    void Run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_job = false;   // an update waits to be packed
    bool m_done = false;  // its packet is ready
    bool m_packed = false;
    bool m_stop = false;
    uint8_t m_command = 0;
    int m_level = 1;
    GrowBuffer m_delta;
    GrowBuffer m_packet;
    ZlibPacker m_packer;  // the thread's own
    bool m_pending = false;
    std::thread m_thread;
};

}  // namespace hd
