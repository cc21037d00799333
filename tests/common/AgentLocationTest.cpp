#include "common/AgentLocation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

// An installed tree keeps the agent in its private folder, a build tree in
// lib/; the installed one wins, and a tree with neither gives nothing.
TEST(AgentLocation, InstalledFolderFirstThenBuildTree) {
    fs::path tree = fs::temp_directory_path() / ("hd_agent_location_" + std::to_string(::getpid()));
    fs::remove_all(tree);
    fs::create_directories(tree / "bin");
    const std::string bin = (tree / "bin").string();
    EXPECT_EQ(hd::AgentLibraryNear(bin), "");
    EXPECT_EQ(hd::AgentLibraryNear(""), "");

    fs::create_directories(tree / "lib");
    std::ofstream(tree / "lib/libhdagent.so") << "x";
    EXPECT_EQ(hd::AgentLibraryNear(bin), fs::canonical(tree / "lib/libhdagent.so").string());

    const fs::path installed = tree / "bin" / HD_AGENT_DIR_FROM_BIN;
    fs::create_directories(installed);
    std::ofstream(installed / "libhdagent.so") << "x";
    EXPECT_EQ(hd::AgentLibraryNear(bin), fs::canonical(installed / "libhdagent.so").string());
    fs::remove_all(tree);
}

TEST(AgentLocation, ProgramFolderHoldsThisTest) {
    const std::string dir = hd::ProgramFolder();
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(fs::exists(dir + "/tests_common"));
}
