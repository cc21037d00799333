#include "desktop/session/Session.h"

#include "common/Codes.h"
#include "common/SocketStream.h"

namespace hd::desktop {

Session::Session(ConnectionSettings& settings, SessionUi& ui, LinkOptions link)
    : m_settings(settings),
      m_ui(ui),
      m_link(std::make_unique<LocalLink>(link.device, link.root, link.library)),
      m_manager(settings, *m_link, ui),
      m_command(m_manager, true),
      m_receiver(m_manager, m_command) {
    SocketStream::SetSensitivity(settings.Sensitivity());
}

Session::~Session() {
    if (Connected() || m_receiver.Running()) Disconnect();
}

bool Session::Connect(ScreenView* view) {
    uint16_t flags = m_settings.Flags();
    if (m_settings.OffersScreenExtension()) flags |= INIT_EXT_SCREEN;
    SocketStream::SetSensitivity(m_settings.Sensitivity());
    if (IsTcpPosition(ConnTypeCodeToPosition(m_settings.ConnTypeCode())))
        m_manager.ClearCurrentHost();
    if (!m_command.Connect(flags, 0, false)) {
        Disconnect();
        m_ui.ShowMessage("Error connecting to Pocket PC, make sure your Pocket PC is docked !!");
        return false;
    }
    m_receiver.Start(view, flags);
    return true;
}

void Session::Disconnect() {
    m_ui.ShowWait("Please Wait ...  ");
    // The screen channel ends because we end the command channel: not a loss.
    m_receiver.Quiet();
    m_command.Disconnect(true);
    m_command.CloseSocket();
    m_receiver.Stop();
    m_ui.CloseWait();
}

}  // namespace hd::desktop
