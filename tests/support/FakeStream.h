// A scripted in-memory stream for channel and protocol tests: reads are served
// from a script of chunks, time-outs and failures; writes are recorded and can
// be made to fail. No sockets, no sleeps.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "common/Log.h"
#include "common/Stream.h"

namespace hd::test {

class FakeStream : public ReadWriteStream {
public:
    enum Kind { Data, Timeout, Fail };

    void AddBytes(std::vector<uint8_t> bytes) {
        std::lock_guard l(m_mutex);
        m_script.push_back({Data, std::move(bytes)});
    }
    void AddTimeout() {
        std::lock_guard l(m_mutex);
        m_script.push_back({Timeout, {}});
    }
    void AddFailure() {
        std::lock_guard l(m_mutex);
        m_script.push_back({Fail, {}});
    }
    // What is left once the script is used up: time-outs or failures.
    void SetTimeoutWhenEmpty(bool t) { m_timeoutWhenEmpty = t; }
    void FailWritesAfter(size_t n) { m_writesLeft = n; }

    HRESULT Read(void* pv, uint32_t cb, uint32_t* pcbRead) override {
        std::lock_guard l(m_mutex);
        ++m_reads;
        if (cb == 0) return S_OK;
        // Data may span chunks; a time-out only counts before the first byte.
        if (m_script.empty()) return m_timeoutWhenEmpty ? E_READ_TIMEOUT : E_FAIL;
        if (m_script.front().kind == Timeout) {
            m_script.pop_front();
            return E_READ_TIMEOUT;
        }
        uint32_t got = 0;
        auto* out = static_cast<uint8_t*>(pv);
        while (got < cb) {
            if (m_script.empty() || m_script.front().kind == Fail) {
                if (!m_script.empty()) m_script.pop_front();
                return E_FAIL;
            }
            if (m_script.front().kind == Timeout) {  // mid-read: keep waiting
                m_script.pop_front();
                continue;
            }
            auto& chunk = m_script.front().bytes;
            uint32_t n = std::min<uint32_t>(cb - got, uint32_t(chunk.size()));
            std::memcpy(out + got, chunk.data(), n);
            chunk.erase(chunk.begin(), chunk.begin() + n);
            got += n;
            m_consumed += n;
            if (chunk.empty()) m_script.pop_front();
        }
        if (pcbRead) *pcbRead = cb;
        return S_OK;
    }

    HRESULT Write(const void* pv, uint32_t cb, uint32_t* pcbWritten) override {
        std::lock_guard l(m_mutex);
        if (pcbWritten) *pcbWritten = cb;
        if (m_writesLeft == 0) return E_FAIL;
        if (m_writesLeft != SIZE_MAX) --m_writesLeft;
        auto* p = static_cast<const uint8_t*>(pv);
        m_written.insert(m_written.end(), p, p + cb);
        return S_OK;
    }

    std::vector<uint8_t> Written() const {
        std::lock_guard l(m_mutex);
        return m_written;
    }
    size_t Consumed() const {
        std::lock_guard l(m_mutex);
        return m_consumed;
    }
    size_t Left() const {
        std::lock_guard l(m_mutex);
        size_t n = 0;
        for (auto& s : m_script) n += s.bytes.size();
        return n;
    }

private:
    struct Step {
        Kind kind;
        std::vector<uint8_t> bytes;
    };
    mutable std::mutex m_mutex;
    std::deque<Step> m_script;
    std::vector<uint8_t> m_written;
    size_t m_writesLeft = SIZE_MAX;
    size_t m_consumed = 0;
    size_t m_reads = 0;
    bool m_timeoutWhenEmpty = false;
};

// Collects log lines for assertions.
class LogCapture : public log::Sink {
public:
    LogCapture() { log::SetSink(this); }
    ~LogCapture() override { log::SetSink(nullptr); }
    void Write(bool forced, const char* text) override {
        std::lock_guard l(m_mutex);
        m_lines.push_back({forced, text});
    }
    bool Has(const std::string& text) const {
        std::lock_guard l(m_mutex);
        for (auto& [f, t] : m_lines)
            if (t.find(text) != std::string::npos) return true;
        return false;
    }
    int Count(const std::string& text) const {
        std::lock_guard l(m_mutex);
        int n = 0;
        for (auto& [f, t] : m_lines) n += t.find(text) != std::string::npos;
        return n;
    }
    bool HasForced(const std::string& text) const {
        std::lock_guard l(m_mutex);
        for (auto& [f, t] : m_lines)
            if (f && t.find(text) != std::string::npos) return true;
        return false;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::pair<bool, std::string>> m_lines;
};

}  // namespace hd::test
