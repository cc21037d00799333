#include "agent/screen/PacketPipeline.h"

#include "agent/screen/ScreenPacket.h"

#include <pthread.h>

#include <utility>

namespace hd {

namespace {

void Swap(GrowBuffer& a, GrowBuffer& b) {
    std::swap(a.block, b.block);
    std::swap(a.capacity, b.capacity);
    std::swap(a.used, b.used);
}

}  // namespace

bool PackUpdate(ZlibPacker& packer, uint8_t command, const GrowBuffer& delta, GrowBuffer& packet,
                int level) {
    const uint32_t d = uint32_t(delta.used);
    return FrameScreenPacket(
        packet, command, d, ZlibPacker::Bound(d),
        [&](uint8_t* dst, size_t room) { return packer.Pack(delta.block, d, dst, room, level); });
}

PacketPipeline::~PacketPipeline() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void PacketPipeline::Submit(uint8_t command, GrowBuffer& delta, int level) {
    {
        std::lock_guard lock(m_mutex);
        Swap(m_delta, delta);
        m_command = command;
        m_level = level;
        m_job = true;
        m_done = false;
    }
    m_pending = true;
    if (!m_thread.joinable()) m_thread = std::thread([this] { Run(); });
    m_changed.notify_all();
}

bool PacketPipeline::Take(GrowBuffer& packet) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_done; });
    m_done = false;
    m_pending = false;
    if (!m_packed) return false;
    Swap(m_packet, packet);
    return true;
}

void PacketPipeline::Run() {
    pthread_setname_np(pthread_self(), "S-pack");
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_job || m_stop; });
        if (m_stop) return;
        m_job = false;
        // The buffers are ours until m_done is set: packed without the lock.
        lock.unlock();
        const bool packed = PackUpdate(m_packer, m_command, m_delta, m_packet, m_level);
        lock.lock();
        m_packed = packed;
        m_done = true;
        m_changed.notify_all();
    }
}

}  // namespace hd
