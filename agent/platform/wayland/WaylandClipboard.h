// WaylandClipboard (WB): the device clipboard as a wlroots compositor's
// selection, for UTF-8 text, through zwlr_data_control_manager_v1. Setting it
// offers a source of our own and keeps the block to hand out; getting it
// receives the selection of whoever owns it through a pipe. A thread of its
// own, on a connection of its own, follows the selection, answers the other
// clients' requests while the selection is ours and runs the command
// thread's requests; the command thread waits a bounded time for each. Made
// at agent load and owned by the file service; the destructor stops and
// joins the thread.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "agent/platform/Clipboard.h"
#include "agent/platform/ClipboardJobs.h"
#include "agent/platform/wayland/WaylandConnection.h"

struct zwlr_data_control_manager_v1;
struct zwlr_data_control_device_v1;
struct zwlr_data_control_source_v1;
struct zwlr_data_control_offer_v1;

namespace hd::platform {

class WaylandClipboard : public Clipboard {
public:
    // Null, with a forced line, when the compositor cannot be reached or
    // lacks the data-control protocol.
    static std::unique_ptr<WaylandClipboard> Open(const char* name);
    ~WaylandClipboard() override;

    bool SetUnicodeText(const uint8_t* data, size_t size) override;
    bool GetUnicodeText(std::vector<uint8_t>& out) override;

    // How long the command thread waits for the thread and the owner.
    static constexpr std::chrono::milliseconds kWait{1500};
    // The longest text read from another client.
    static constexpr size_t kMaxText = 16u << 20;

    // The clipboard thread's own state, reached from the protocol's callbacks.
    struct Offer {
        std::vector<std::string> types;
    };
    void OnOffer(zwlr_data_control_offer_v1* offer);
    void OnSelection(zwlr_data_control_offer_v1* offer, bool primary);
    void OnSend(const char* type, int fd);
    void OnCancelled(zwlr_data_control_source_v1* source);

private:
    enum class Job { Nothing, Own, Receive };

    WaylandClipboard(std::unique_ptr<WaylandConnection> connection,
                     zwlr_data_control_manager_v1* manager, zwlr_data_control_device_v1* device,
                     int wakeFd);
    void Run();
    void RunJob();
    void Own();
    int Receive();
    void Drop(zwlr_data_control_offer_v1* offer);

    std::unique_ptr<WaylandConnection> m_connection;
    zwlr_data_control_manager_v1* m_manager;
    zwlr_data_control_device_v1* m_device;

    // Shared with the command thread, under m_jobs.Mutex(); its wake
    // descriptor is an eventfd: a job is waiting or the thread must end.
    ClipboardJobs<Job> m_jobs;
    bool m_owned = false;  // our source is the selection
    int m_readFd = -1;     // a pipe the owner writes the selection into

    // The thread's own.
    std::map<zwlr_data_control_offer_v1*, Offer> m_offers;
    zwlr_data_control_offer_v1* m_selection = nullptr;
    zwlr_data_control_offer_v1* m_primary = nullptr;
    zwlr_data_control_source_v1* m_source = nullptr;
    std::string m_utf8Text;  // what the source answers while owned
    std::thread m_thread;
};

}  // namespace hd::platform
