#include "listener/AgentHost.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/FakeStream.h"

namespace hd::test {
namespace {

TEST(AgentHostTest, LoadFailsCleanlyWithoutTheLibraryOrAnEntryPoint) {
    LogCapture log;
    struct Case {
        const char* library;
        const char* message;
    } cases[] = {
        {"/nonexistent/libhdagent.so", "HCS::Load:Error loading hdagent.dll"},
        {FAKE_AGENT_NO_ENTRY, "HCS::Load:Error getting HdInvoke function pointer"},
        {FAKE_AGENT_INVOKE_ONLY, "HCS::Load:Error getting HdScreen function pointer"},
    };
    for (const auto& c : cases) {
        AgentHost hcs({"virtual", "/tmp", c.library});
        EXPECT_FALSE(hcs.Load()) << c.library;
        EXPECT_FALSE(hcs.Loaded()) << c.library;
        EXPECT_TRUE(log.HasForced(c.message)) << c.library;
        // The module was released: a failed load keeps nothing mapped.
        EXPECT_EQ(dlopen(c.library, RTLD_NOW | RTLD_NOLOAD), nullptr) << c.library;
    }
}

TEST(AgentHostTest, TheAgentSeesItsEnvironmentWhenItLoads) {
    const std::string root = "/tmp/hcs-test-root";
    AgentHost hcs({"virtual", root, FAKE_AGENT});
    ASSERT_TRUE(hcs.Load());
    void* self = dlopen(FAKE_AGENT, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(self, nullptr);
    auto rootAtLoad = reinterpret_cast<const char* (*)()>(dlsym(self, "FakeAgentRootAtLoad"));
    ASSERT_NE(rootAtLoad, nullptr);
    EXPECT_EQ(std::string(rootAtLoad()), root);
    EXPECT_STREQ(std::getenv("HANDREL_DEVICE"), "virtual");
    dlclose(self);
    hcs.Unload();
    EXPECT_FALSE(hcs.Loaded());
    EXPECT_EQ(dlopen(FAKE_AGENT, RTLD_NOW | RTLD_NOLOAD), nullptr) << "still loaded after Unload";
}

}  // namespace
}  // namespace hd::test
