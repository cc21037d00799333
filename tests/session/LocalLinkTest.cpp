#include <gtest/gtest.h>

#include <filesystem>

#include "common/SocketStream.h"
#include "desktop/session/LocalLink.h"

namespace hd::desktop {
namespace {

TEST(LocalLink, RunsTheAgentOverASocketWithTheSocketsReadWait) {
    const auto root =
        std::filesystem::temp_directory_path() / ("hd-link-" + std::to_string(getpid()));
    std::filesystem::create_directories(root);
    SocketStream::SetReadWaitOverrideMs(100);
    {
        LocalLink link("virtual", root.string(), HD_AGENT_LIBRARY);
        Event started(true);
        RapiInit init;
        init.heRapiInit = &started;
        ASSERT_EQ(link.CeRapiInitEx(init), S_OK);
        ASSERT_TRUE(started.Wait(0));
        ASSERT_EQ(init.hrRapiInit, S_OK);

        IRAPIStream* screen = nullptr;
        ASSERT_EQ(
            link.CeRapiInvoke("hdagent", "HdScreen", 0, nullptr, nullptr, nullptr, &screen, 0),
            S_OK);
        ASSERT_NE(screen, nullptr);
        // The agent waits for the interval: nothing comes within one read wait.
        uint8_t b = 0;
        EXPECT_EQ(screen->Read(&b, 1, nullptr), E_READ_TIMEOUT);
        const uint8_t interval[4] = {0, 0, 0, 0};
        ASSERT_EQ(screen->Write(interval, 4, nullptr), S_OK);
        ASSERT_EQ(screen->Read(&b, 1, nullptr), S_OK);
        EXPECT_EQ(b, 50);  // HC_FULLSCREEN

        EXPECT_EQ(
            link.CeRapiInvoke("hdagent", "NoSuchEntry", 0, nullptr, nullptr, nullptr, &screen, 0),
            E_FAIL);
        EXPECT_EQ(link.CeRapiUninit(), S_OK);  // joins the agent's thread
        EXPECT_FALSE(link.Loaded());
        // The stream outlives the link's use: what was buffered drains, then reads fail.
        int reads = 0;
        while (screen->Read(&b, 1, nullptr) == S_OK && reads < (1 << 22)) ++reads;
        EXPECT_LT(reads, 1 << 22);
    }
    {
        LocalLink missing("virtual", root.string(), "/nonexistent/libhdagent.so");
        Event started(true);
        RapiInit init;
        init.heRapiInit = &started;
        missing.CeRapiInitEx(init);
        EXPECT_TRUE(started.Wait(0));
        EXPECT_NE(init.hrRapiInit, S_OK);
    }
    SocketStream::SetReadWaitOverrideMs(0);
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace hd::desktop
