// X11Clipboard (XB): the device clipboard as the X11 CLIPBOARD selection,
// for UTF-8 text. Setting it takes the selection and keeps the block to hand
// out; getting it converts the selection of whoever owns it. A thread of its
// own, on a connection of its own, answers the other clients' requests while
// the selection is ours and runs the conversions; the command thread only
// hands it requests and waits a bounded time for each. Made at agent load and
// owned by the file service; the destructor stops and joins the thread.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "agent/platform/Clipboard.h"
#include "agent/platform/ClipboardJobs.h"
#include "agent/platform/x11/X11Connection.h"

namespace hd::platform {

class X11Clipboard : public Clipboard {
public:
    // Null, with a forced line, when the display cannot be opened.
    static std::unique_ptr<X11Clipboard> Open(const char* name);
    ~X11Clipboard() override;

    bool SetUnicodeText(const uint8_t* data, size_t size) override;
    bool GetUnicodeText(std::vector<uint8_t>& out) override;

    // How long the command thread waits for the owner of the selection.
    static constexpr std::chrono::milliseconds kConvertWait{1500};
    // The thread has its own deadline; this one only guards against a thread
    // that cannot run at all.
    static constexpr std::chrono::milliseconds kThreadWait = kConvertWait * 2;
    // The longest text read from another client.
    static constexpr size_t kMaxText = 16u << 20;

private:
    enum class Job { Nothing, Own, Convert };
    enum class Step { Idle, Stamp, Notify, Incr };

    X11Clipboard(std::unique_ptr<X11Connection> connection, Window window, int wakeFd);
    void Run();
    void Handle(XEvent& event);
    void StartJob();
    void Finish(bool ok);
    void Answer(const XSelectionRequestEvent& request);
    void ReadReply(Atom property);
    void ReadIncrChunk();

    std::unique_ptr<X11Connection> m_connection;
    Window m_window;
    Atom m_clipboard, m_utf8, m_targets, m_text, m_plain, m_incr, m_timestamp, m_property, m_stamp;

    // Shared with the command thread, under m_jobs.Mutex(); its wake
    // descriptor is an eventfd: a job is waiting or the thread must end.
    ClipboardJobs<Job> m_jobs;
    std::vector<uint8_t> m_read;  // a converted selection, UTF-16LE

    // The thread's own.
    Step m_step = Step::Idle;
    Atom m_target = None;
    std::string m_utf8Text;  // what the selection answers while owned
    Time m_ownedSince = CurrentTime;
    std::string m_incoming;
    std::chrono::steady_clock::time_point m_deadline;
    std::thread m_thread;
};

}  // namespace hd::platform
