// The desktop session: the composition root of one desktop program's
// connection. It owns the local link, the connection manager, the command
// channel and the screen receiver, creates them in that order and ends them
// in reverse, and runs the Connect and Disconnect sequences. Used on the
// user-interface thread (the receiver's callbacks arrive on its thread).
#pragma once

#include <memory>
#include <string>

#include "desktop/session/ConnectionManager.h"
#include "desktop/session/DesktopChannel.h"
#include "desktop/session/LocalLink.h"
#include "desktop/session/ScreenReceiver.h"

namespace hd::desktop {

struct LinkOptions {
    std::string device = "virtual";  // the local link's device
    std::string root;                // and its root folder
    std::string library;             // the agent library (empty: beside the program)
};

class Session {
public:
    Session(ConnectionSettings& settings, SessionUi& ui, LinkOptions link = {});
    ~Session();

    // The Connect sequence; false when the command channel could not be
    // opened (the user has been told). A receiver that fails to start leaves
    // the command channel open.
    bool Connect(ScreenView* view);
    // The Disconnect sequence.
    void Disconnect();
    bool Connected() const { return m_command.IsOpen(); }

    DesktopChannel& Command() { return m_command; }
    ScreenReceiver& Receiver() { return m_receiver; }
    ConnectionManager& Manager() { return m_manager; }
    RemoteApi& Link() { return *m_link; }

private:
    ConnectionSettings& m_settings;
    SessionUi& m_ui;
    std::unique_ptr<RemoteApi> m_link;
    ConnectionManager m_manager;
    DesktopChannel m_command;
    ScreenReceiver m_receiver;
};

}  // namespace hd::desktop
