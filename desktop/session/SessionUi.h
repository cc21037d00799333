// Everything the session must ask or tell the user: message boxes, the Select
// Host dialog, the wait box, and the receiver's request to disconnect. The Qt
// application implements it with dialogs; the command line and the tests with
// text. ShowMessage, ChooseHost and the wait box are called on the thread that
// connects; RequestDisconnect may come from the receiver thread and must only
// post the Disconnect command, never run it there.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace hd::desktop {

class SessionUi {
public:
    virtual ~SessionUi() = default;
    virtual void ShowMessage(const std::string& text) = 0;
    // The "Select Host" dialog: the chosen host, or nothing on Cancel.
    virtual std::optional<std::string> ChooseHost(const std::vector<std::string>& hosts) = 0;
    // True when Select Host can also list the devices found on the network:
    // with no typed host the session then asks there instead of giving up.
    virtual bool FindsDevices() { return false; }
    virtual void ShowWait(const std::string& text) = 0;
    virtual void CloseWait() = 0;
    virtual void RequestDisconnect() = 0;
};

}  // namespace hd::desktop
