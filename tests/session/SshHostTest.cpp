#include <gtest/gtest.h>

#include "desktop/session/SshTunnel.h"

namespace hd::desktop {
namespace {

// What ssh is handed must never be taken for one of its options.
TEST(SshHost, ParsesUserHostPortsAndRefusesWhatSshWouldMisread) {
    const struct {
        const char* text;
        bool valid;
        const char* destination;
        const char* sshPort;
        uint16_t devicePort;
    } cases[] = {
        {"ssh://pda.lan", true, "pda.lan", "", 5492},
        {"ssh://me@10.0.0.7:2222", true, "me@10.0.0.7", "2222", 5492},
        {"ssh://me@pda/6000", true, "me@pda", "", 6000},
        {"ssh://pda:22/5493", true, "pda", "22", 5493},
        {"ssh://-oProxyCommand=x", false, "", "", 0},
        {"ssh://me@", false, "", "", 0},
        {"ssh://", false, "", "", 0},
        {"ssh://pda:", false, "", "", 0},
        {"ssh://pda/0", false, "", "", 0},
        {"ssh://pda/70000", false, "", "", 0},
        {"ssh://a b", false, "", "", 0},
        {"pda.lan", false, "", "", 0},
    };
    for (const auto& c : cases) {
        SshTarget t;
        EXPECT_EQ(ParseSshHost(c.text, t), c.valid) << c.text;
        if (!c.valid) continue;
        EXPECT_EQ(t.destination, c.destination) << c.text;
        EXPECT_EQ(t.sshPort, c.sshPort) << c.text;
        EXPECT_EQ(t.devicePort, c.devicePort) << c.text;
    }
}

}  // namespace
}  // namespace hd::desktop
