// ClipboardJobs: the hand-off between the command thread and the thread of
// its own that a display-server clipboard (X11, Wayland) needs to answer
// other clients. The command thread posts one job at a time and waits a
// bounded time for its end; the backend's thread wakes on WakeFd(), takes the
// job and finishes it. The text as set is kept here, handed back while the
// selection is ours. Everything is guarded by Mutex(), which the backend also
// uses for whatever else it shares between the two threads. Logs under the
// backend's tag.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "agent/platform/x11/X11Text.h"
#include "common/Log.h"

namespace hd::platform {

template <class Job>  // an enum with Job::Nothing
class ClipboardJobs {
public:
    // Takes the eventfd the backend's thread polls; closed at the end.
    ClipboardJobs(int wakeFd, const char* tag) : m_wakeFd(wakeFd), m_tag(tag) {}
    ~ClipboardJobs() { ::close(m_wakeFd); }
    ClipboardJobs(const ClipboardJobs&) = delete;
    ClipboardJobs& operator=(const ClipboardJobs&) = delete;

    int WakeFd() const { return m_wakeFd; }
    std::mutex& Mutex() { return m_mutex; }

    // Command thread: keeps the UTF-16LE text and hands it, as UTF-8, to the
    // job own. False when memory ran out or the job failed; the text is then
    // dropped.
    bool Own(Job own, const uint8_t* data, size_t size, std::chrono::milliseconds wait) {
        std::unique_lock lock(m_mutex);
        try {
            block.assign(data, data + size);
            m_pendingUtf8 = Utf16LeToUtf8(data, size);
        } catch (const std::bad_alloc&) {
            block.clear();
            log::Forced("%s::Set:no memory for %zu bytes of text", m_tag, size);
            return false;
        }
        if (Post(lock, own, wait)) return true;
        block.clear();
        return false;
    }

    // Command thread, Mutex() held: posts the job and waits for its end.
    // False when it failed or took longer than wait (it is then withdrawn).
    bool Post(std::unique_lock<std::mutex>& lock, Job job, std::chrono::milliseconds wait) {
        m_job = job;
        m_finished = false;
        Wake();
        if (!m_done.wait_for(lock, wait, [this] { return m_finished; })) {
            m_job = Job::Nothing;
            log::Forced("%s::Wait:the clipboard thread did not answer in time", m_tag);
            return false;
        }
        return m_ok;
    }

    // Asks the backend's thread to end.
    void Stop() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        Wake();
    }

    // Backend's thread.
    bool Stopping() {
        std::lock_guard lock(m_mutex);
        return m_stop;
    }
    // The posted job, if any; utf8 gets the text an Own job carries.
    Job Take(std::string& utf8) {
        std::lock_guard lock(m_mutex);
        const Job job = m_job;
        m_job = Job::Nothing;
        if (job != Job::Nothing) utf8.swap(m_pendingUtf8);
        return job;
    }
    void Finish(bool ok) {
        std::lock_guard lock(m_mutex);
        FinishLocked(ok);
    }
    void FinishLocked(bool ok) {
        m_ok = ok;
        m_finished = true;
        m_done.notify_all();
    }
    // The thread is ending for good, Mutex() held: whoever waits learns at once.
    void EndLocked() {
        m_stop = true;
        FinishLocked(false);
    }

    std::vector<uint8_t> block;  // the text as set, under Mutex()

private:
    void Wake() {
        const uint64_t one = 1;
        // A full counter (EAGAIN) already wakes the thread.
        if (::write(m_wakeFd, &one, sizeof one) < 0 && errno != EAGAIN)
            log::Forced("%s::Wake:cannot wake the clipboard thread: %s", m_tag,
                        std::strerror(errno));
    }

    const int m_wakeFd;
    const char* const m_tag;
    std::mutex m_mutex;
    std::condition_variable m_done;
    Job m_job = Job::Nothing;
    bool m_ok = false;
    bool m_finished = true;
    bool m_stop = false;
    std::string m_pendingUtf8;
};

}  // namespace hd::platform
