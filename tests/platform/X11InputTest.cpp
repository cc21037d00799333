// X11 input under Xvfb: the key sender's commands arrive at a real client as
// the right key, button and motion events at the right place.
// GoogleTest before Xlib, whose macros (None, Bool) clash with its names.
#include <gtest/gtest.h>

#include "agent/platform/x11/X11Input.h"

#include "agent/input/KeySender.h"
#include "common/ByteOrder.h"
#include "common/Codes.h"
#include "platform/XvfbServer.h"
#include "support/FakeStream.h"

namespace hd::platform {
namespace {

using test::TestClient;
using test::XvfbServer;

class X11InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveXvfb()) GTEST_SKIP() << test::kNoXvfb;
        server = std::make_unique<XvfbServer>("240x320x24");
        ASSERT_TRUE(server->Started()) << server->Error();
        client =
            std::make_unique<TestClient>(server->Display(), std::vector<std::string>{"--focus"});
        ASSERT_NE(client->WaitReady(), 0u);
        auto input = X11Input::Open(server->Display().c_str());
        ASSERT_TRUE(input);
        ks = std::make_unique<KeySender>(std::move(input), [](std::chrono::milliseconds) {});
    }

    void Send(uint8_t command, std::vector<uint8_t> payload) {
        test::FakeStream wire;
        wire.AddBytes(std::move(payload));
        Channel channel(&wire);
        ASSERT_TRUE(ks->Handle(command, channel));
    }
    void Key(uint8_t command, uint32_t key) {
        std::vector<uint8_t> p(4);
        put_le32(p.data(), key);
        Send(command, p);
    }
    void Mouse(uint8_t type, int x, int y) {
        // The centre of the pixel in the absolute range, as the desktop sends it.
        std::vector<uint8_t> p(5);
        p[0] = type;
        put_be16(p.data() + 1, uint16_t((2 * x + 1) * 65536 / (2 * 240)));
        put_be16(p.data() + 3, uint16_t((2 * y + 1) * 65536 / (2 * 320)));
        Send(HC_MOUSE, p);
    }
    // The next n lines that start with prefix.
    std::vector<std::string> Next(const std::string& prefix, int n) {
        std::vector<std::string> lines;
        for (int i = 0; i < n; ++i) lines.push_back(client->WaitLine(prefix, 3000));
        return lines;
    }

    std::unique_ptr<XvfbServer> server;
    std::unique_ptr<TestClient> client;
    std::unique_ptr<KeySender> ks;
};

using Lines = std::vector<std::string>;

TEST_F(X11InputTest, KeysAndCharactersArriveAsTheirKeys) {
    Key(HC_KEY, 'A');  // the key alone: a lower-case a (X key code 38)
    EXPECT_EQ(Next("key ", 2), (Lines{"key press 38 0x61 0", "key release 38 0x61 0"}));
    Key(HC_KEY, 0x0D);
    EXPECT_EQ(Next("key ", 2), (Lines{"key press 36 0xff0d 0", "key release 36 0xff0d 0"}));

    // Shift goes down first and comes up last; the key types the capital.
    Key(HC_SHIFTKEY, 'A');
    EXPECT_EQ(Next("key ", 4), (Lines{"key press 50 0xffe1 0", "key press 38 0x41 1",
                                      "key release 38 0x41 1", "key release 50 0xffe1 1"}));

    // A character on the map is typed on its key, Shift and all.
    Key(HC_CHAR, '?');
    EXPECT_EQ(Next("key ", 4), (Lines{"key press 50 0xffe1 0", "key press 61 0x3f 1",
                                      "key release 61 0x3f 1", "key release 50 0xffe1 1"}));

    // A character no key of the map types comes on a spare key code.
    Key(HC_CHAR, 0x20AC);
    const Lines euro = Next("key ", 2);
    EXPECT_NE(euro[0].find(" 0x10020ac 0"), std::string::npos) << euro[0];
    EXPECT_NE(euro[1].find(" 0x10020ac 0"), std::string::npos) << euro[1];
    EXPECT_EQ(euro[0].substr(0, 10), "key press ");
    EXPECT_EQ(euro[1].substr(0, 12), "key release ");
    // ...twice in a row, and after another character too.
    Key(HC_CHAR, 0x00E9);
    Key(HC_CHAR, 0x20AC);
    const Lines more = Next("key press ", 2);
    EXPECT_NE(more[0].find(" 0xe9 0"), std::string::npos) << more[0];
    EXPECT_NE(more[1].find(" 0x10020ac 0"), std::string::npos) << more[1];
}

TEST_F(X11InputTest, StylusEventsLandOnTheirPixels) {
    Mouse(4, 100, 200);
    EXPECT_EQ(client->WaitLine("motion ", 3000), "motion 100 200");
    Mouse(0, 50, 60);
    EXPECT_EQ(client->WaitLine("button ", 3000), "button press 1 50 60");
    Mouse(1, 50, 60);
    EXPECT_EQ(client->WaitLine("button ", 3000), "button release 1 50 60");
    Mouse(9, 10, 10);  // no button, no move
    Mouse(2, 239, 319);
    EXPECT_EQ(client->WaitLine("button ", 3000), "button press 3 239 319");
    Mouse(3, 239, 319);
    EXPECT_EQ(client->WaitLine("button ", 3000), "button release 3 239 319");
    for (const std::string& line : client->Lines())
        EXPECT_EQ(line.find("motion 10 10"), std::string::npos);
}

}  // namespace
}  // namespace hd::platform
