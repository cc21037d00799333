#include "agent/platform/x11/X11Clipboard.h"

#include <X11/Xatom.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "agent/platform/x11/X11Text.h"
#include "common/Log.h"

namespace hd::platform {

using Clock = std::chrono::steady_clock;

std::unique_ptr<X11Clipboard> X11Clipboard::Open(const char* name) {
    auto connection = X11Connection::Open(name, "XB");
    if (!connection) return nullptr;
    const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        log::Forced("XB::Open:eventfd failed: %s", std::strerror(errno));
        return nullptr;
    }
    ::Display* d = connection->Get();
    // An unmapped window to own the selection and receive the conversions.
    const Window window = XCreateSimpleWindow(d, connection->Root(), -10, -10, 1, 1, 0, 0, 0);
    XSelectInput(d, window, PropertyChangeMask);
    XFlush(d);
    return std::unique_ptr<X11Clipboard>(new X11Clipboard(std::move(connection), window, wakeFd));
}

X11Clipboard::X11Clipboard(std::unique_ptr<X11Connection> connection, Window window, int wakeFd)
    : m_connection(std::move(connection)), m_window(window), m_jobs(wakeFd, "XB") {
    m_clipboard = m_connection->Intern("CLIPBOARD");
    m_utf8 = m_connection->Intern("UTF8_STRING");
    m_targets = m_connection->Intern("TARGETS");
    m_text = m_connection->Intern("TEXT");
    m_plain = m_connection->Intern("text/plain;charset=utf-8");
    m_incr = m_connection->Intern("INCR");
    m_timestamp = m_connection->Intern("TIMESTAMP");
    m_property = m_connection->Intern("HANDREL_SELECTION");
    m_stamp = m_connection->Intern("HANDREL_TIMESTAMP");
    m_thread = std::thread([this] { Run(); });
}

X11Clipboard::~X11Clipboard() {
    m_jobs.Stop();
    m_thread.join();
    XDestroyWindow(m_connection->Get(), m_window);
    XSync(m_connection->Get(), False);
}

bool X11Clipboard::SetUnicodeText(const uint8_t* data, size_t size) {
    return m_jobs.Own(Job::Own, data, size, kThreadWait);
}

bool X11Clipboard::GetUnicodeText(std::vector<uint8_t>& out) {
    std::unique_lock lock(m_jobs.Mutex());
    out.clear();
    // Even while the selection seems ours, the thread asks the server: another
    // client may have taken it a moment ago, its notice not yet read.
    if (!m_jobs.Post(lock, Job::Convert, kThreadWait)) return false;
    out.swap(m_read);
    m_read.clear();
    return !out.empty();
}

void X11Clipboard::Run() {
    pthread_setname_np(pthread_self(), "XB");
    ::Display* d = m_connection->Get();
    pollfd fds[2] = {{ConnectionNumber(d), POLLIN, 0}, {m_jobs.WakeFd(), POLLIN, 0}};
    while (!m_jobs.Stopping()) {
        StartJob();
        while (!m_connection->Broken() && XPending(d) > 0) {
            XEvent event;
            XNextEvent(d, &event);
            Handle(event);
        }
        int timeout = -1;
        if (m_step != Step::Idle) {
            const auto left = m_deadline - Clock::now();
            if (left <= Clock::duration::zero()) {
                log::Forced("XB::Run:the owner of the clipboard did not answer in time");
                Finish(false);
                continue;
            }
            timeout = int(std::chrono::ceil<std::chrono::milliseconds>(left).count());
        }
        // A lost server is not polled any more; jobs then fail at once.
        const nfds_t first = m_connection->Broken() ? 1 : 0;
        if (::poll(fds + first, 2 - first, timeout) < 0 && errno != EINTR) {
            log::Forced("XB::Run:poll failed: %s", std::strerror(errno));
            break;
        }
        uint64_t count;
        if (fds[1].revents && ::read(m_jobs.WakeFd(), &count, sizeof count) < 0 && errno != EAGAIN)
            break;
        if (!first && fds[0].revents & (POLLERR | POLLHUP)) XPending(d);  // sees the loss
    }
    if (m_step != Step::Idle) Finish(false);
}

void X11Clipboard::StartJob() {
    std::string text;
    const Job job = m_jobs.Take(text);
    if (job == Job::Nothing) return;
    ::Display* d = m_connection->Get();
    if (m_connection->Broken()) {
        Finish(false);
        return;
    }
    m_step = Step::Idle;  // a job given up on by the command thread is dropped
    m_deadline = Clock::now() + kConvertWait;
    if (job == Job::Own) {
        m_utf8Text = std::move(text);
        // Taking a selection wants a server time: a property change gives one.
        XChangeProperty(d, m_window, m_stamp, XA_STRING, 8, PropModeAppend, nullptr, 0);
        XFlush(d);
        m_step = Step::Stamp;
        return;
    }
    const Window owner = XGetSelectionOwner(d, m_clipboard);
    if (owner == m_window) {
        {
            std::lock_guard lock(m_jobs.Mutex());
            m_read = m_jobs.block;  // the block as set, whole
        }
        Finish(true);
        return;
    }
    {
        std::lock_guard lock(m_jobs.Mutex());
        m_jobs.block.clear();  // lost, whether or not the notice has been read
    }
    if (owner == None) {
        Finish(false);  // nobody holds text
        return;
    }
    m_target = m_utf8;
    XDeleteProperty(d, m_window, m_property);
    XConvertSelection(d, m_clipboard, m_target, m_property, m_window, CurrentTime);
    XFlush(d);
    m_step = Step::Notify;
}

void X11Clipboard::Finish(bool ok) {
    m_step = Step::Idle;
    m_jobs.Finish(ok);
}

void X11Clipboard::Handle(XEvent& event) {
    ::Display* d = m_connection->Get();
    switch (event.type) {
        case PropertyNotify: {
            const XPropertyEvent& p = event.xproperty;
            if (p.window != m_window) break;
            if (p.atom == m_stamp && m_step == Step::Stamp) {
                XSetSelectionOwner(d, m_clipboard, m_window, p.time);
                const bool owner = XGetSelectionOwner(d, m_clipboard) == m_window;
                if (owner) m_ownedSince = p.time;
                if (!owner) log::Forced("XB::Set:the clipboard selection could not be taken");
                Finish(owner);
            } else if (p.atom == m_property && p.state == PropertyNewValue &&
                       m_step == Step::Incr) {
                ReadIncrChunk();
            }
            break;
        }
        case SelectionNotify: {
            const XSelectionEvent& s = event.xselection;
            if (m_step != Step::Notify || s.requestor != m_window || s.selection != m_clipboard)
                break;
            if (s.property != None) {
                ReadReply(s.property);
            } else if (m_target == m_utf8) {
                m_target = XA_STRING;  // an older client may still have Latin-1
                XConvertSelection(d, m_clipboard, m_target, m_property, m_window, CurrentTime);
                XFlush(d);
            } else {
                Finish(false);
            }
            break;
        }
        case SelectionRequest:
            Answer(event.xselectionrequest);
            break;
        case SelectionClear:
            // Another client holds the clipboard now (unless this notice is older
            // than a later taking): the agent's reads ask the server who does.
            if (event.xselectionclear.selection == m_clipboard)
                log::Log("XB::Clear:another client took the clipboard");
            break;
    }
}

void X11Clipboard::ReadReply(Atom property) {
    ::Display* d = m_connection->Get();
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    // Deleting the property is also what starts an incremental transfer.
    if (XGetWindowProperty(d, m_window, property, 0, long(kMaxText / 4), True, AnyPropertyType,
                           &type, &format, &count, &after, &data) != Success) {
        Finish(false);
        return;
    }
    const bool incr = type == m_incr;
    const bool ok = incr || (format == 8 && after == 0);
    if (ok && !incr) m_incoming.assign(reinterpret_cast<char*>(data), count);
    if (data) XFree(data);
    XFlush(d);
    if (incr) {
        m_incoming.clear();
        m_step = Step::Incr;
        m_deadline = Clock::now() + kConvertWait;
        return;
    }
    if (!ok) {
        log::Forced("XB::Get:the clipboard text is not 8-bit text of at most %zu bytes", kMaxText);
        Finish(false);
        return;
    }
    const std::string utf8 = m_target == XA_STRING ? Latin1ToUtf8(m_incoming) : m_incoming;
    {
        std::lock_guard lock(m_jobs.Mutex());
        m_read = Utf8ToUtf16Le(utf8);
    }
    m_incoming.clear();
    Finish(true);
}

void X11Clipboard::ReadIncrChunk() {
    ::Display* d = m_connection->Get();
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, m_window, m_property, 0, long(kMaxText / 4), True, AnyPropertyType,
                           &type, &format, &count, &after, &data) != Success) {
        Finish(false);
        return;
    }
    const bool fits = format == 8 && after == 0 && m_incoming.size() + count <= kMaxText;
    if (fits && count > 0) m_incoming.append(reinterpret_cast<char*>(data), count);
    if (data) XFree(data);
    XFlush(d);
    if (!fits) {
        log::Forced("XB::Get:the clipboard text is longer than %zu bytes", kMaxText);
        Finish(false);
        return;
    }
    m_deadline = Clock::now() + kConvertWait;
    if (count > 0) return;
    // The empty chunk ends the transfer.
    const std::string utf8 = m_target == XA_STRING ? Latin1ToUtf8(m_incoming) : m_incoming;
    {
        std::lock_guard lock(m_jobs.Mutex());
        m_read = Utf8ToUtf16Le(utf8);
    }
    m_incoming.clear();
    Finish(true);
}

void X11Clipboard::Answer(const XSelectionRequestEvent& r) {
    ::Display* d = m_connection->Get();
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = d;
    reply.requestor = r.requestor;
    reply.selection = r.selection;
    reply.target = r.target;
    reply.time = r.time;
    reply.property = None;  // refused unless answered below
    const Atom property = r.property == None ? r.target : r.property;  // older clients
    // Text past what one request can carry is refused rather than sent in part.
    long maxRequest = XExtendedMaxRequestSize(d);
    if (maxRequest == 0) maxRequest = XMaxRequestSize(d);
    const size_t limit = size_t(maxRequest) * 4 - 64;
    // The server sends requests to the owner only: a request that crossed a
    // change of owner gets the text this client last had.
    if (r.selection == m_clipboard && r.owner == m_window) {
        if (r.target == m_targets) {
            const Atom targets[] = {m_targets, m_timestamp, m_utf8, m_plain, m_text, XA_STRING};
            XChangeProperty(d, r.requestor, property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(targets),
                            int(std::size(targets)));
            reply.property = property;
        } else if (r.target == m_timestamp) {
            const long time = long(m_ownedSince);
            XChangeProperty(d, r.requestor, property, XA_INTEGER, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&time), 1);
            reply.property = property;
        } else if (r.target == m_utf8 || r.target == m_plain || r.target == m_text ||
                   r.target == XA_STRING) {
            const std::string text = r.target == XA_STRING ? Utf8ToLatin1(m_utf8Text) : m_utf8Text;
            const Atom type = r.target == m_text ? m_utf8 : r.target;
            if (text.size() <= limit) {
                XChangeProperty(d, r.requestor, property, type, 8, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(text.data()),
                                int(text.size()));
                reply.property = property;
            } else {
                log::Forced("XB::Answer:%zu bytes of text are more than one request carries",
                            text.size());
            }
        }
    }
    XSendEvent(d, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
    XFlush(d);
}

}  // namespace hd::platform
