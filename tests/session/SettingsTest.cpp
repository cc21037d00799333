#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QSettings>
#include <filesystem>

#include "common/Codes.h"
#include "desktop/session/Settings.h"

namespace hd::desktop {
namespace {

class Store : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("hd-settings-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        m_file = (m_dir / "Handrel.conf").string();
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    // Raw text values, as another program (or an old version) left them.
    void Put(const char* name, const char* text) {
        QSettings raw(QString::fromStdString(m_file), QSettings::IniFormat);
        raw.setValue(name, text);
    }
    std::filesystem::path m_dir;
    std::string m_file;
};

TEST_F(Store, FreshStoreReadsTheDefaults) {
    Settings s(m_file);
    EXPECT_EQ(s.ConnType(), 0);
    EXPECT_EQ(s.BrokenSensitivity(), 0);
    EXPECT_EQ(s.Scale(), 120);
    EXPECT_TRUE(s.ReadHosts().hosts.empty());
    EXPECT_FALSE(s.ReadHosts().multiInst);
    EXPECT_EQ(s.DOSFontHeight(), 14);
    EXPECT_EQ(s.Orientation(), 0);
    int x = -1, y = -1;
    s.WindowPos(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(s.Keyboard(), 0);
    EXPECT_EQ(s.Device(), 0);
    EXPECT_EQ(s.Tip(), 0);
    EXPECT_EQ(s.LoadFlags(), 0);
    EXPECT_EQ(s.Version(), "");
    EXPECT_FALSE(s.AutoCopy());
}

TEST_F(Store, RangesFallBackToDefaults) {
    Put("Scale", "99");
    Put("DOSFontHeight", "0");
    Put("WndX", "40000");
    Put("WndY", "50");
    Put("Orientation", "2");
    Put("SortCol", "4");
    Put("AutoCopy", "2");
    Put("Keyboard", "12abc");  // atoi: leading digits
    Settings s(m_file);
    EXPECT_EQ(s.Scale(), 120);
    EXPECT_EQ(s.DOSFontHeight(), 14);
    int x, y;
    s.WindowPos(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);  // reset together with X
    EXPECT_EQ(s.Orientation(), 2);
    EXPECT_EQ(s.SortCol(), 0);
    EXPECT_FALSE(s.AutoCopy());
    EXPECT_EQ(s.Keyboard(), 12);
    Put("Scale", "301");
    EXPECT_EQ(Settings(m_file).Scale(), 120);
    Put("Scale", "300");
    EXPECT_EQ(Settings(m_file).Scale(), 300);
}

// Offered unless the settings file says ScreenExtension=0 or the environment
// says HANDREL_SCREEN_EXTENSION=0; the bit never lands in the stored flags.
TEST_F(Store, ScreenExtensionIsOfferedUnlessSwitchedOff) {
    EXPECT_TRUE(Settings(m_file).OffersScreenExtension());
    Put("ScreenExtension", "0");
    EXPECT_FALSE(Settings(m_file).OffersScreenExtension());
    Put("ScreenExtension", "1");
    setenv("HANDREL_SCREEN_EXTENSION", "0", 1);
    EXPECT_FALSE(Settings(m_file).OffersScreenExtension());
    unsetenv("HANDREL_SCREEN_EXTENSION");
    Settings s(m_file);
    EXPECT_TRUE(s.OffersScreenExtension());
    EXPECT_EQ(s.LoadFlags() & INIT_EXT_SCREEN, 0);
}

TEST_F(Store, ConnectionTypesAddTheirSpeedBit) {
    Settings s(m_file);
    ASSERT_TRUE(s.StoreFlags(FLAG_DEVICE_LOG | FLAG_TURBO));
    struct {
        const char* code;
        int position;
        uint16_t speed;
    } cases[] = {
        {"0", 0, 0}, {"1", 2, FLAG_FAST}, {"2", 1, FLAG_SLOW}, {"3", 3, FLAG_SLOW}, {"7", 0, 0}};
    for (auto& c : cases) {
        Put("ConnType", c.code);
        Settings t(m_file);
        EXPECT_EQ(ConnTypeCodeToPosition(t.ConnType()), c.position) << c.code;
        EXPECT_EQ(t.LoadFlags(), FLAG_DEVICE_LOG | FLAG_TURBO | c.speed) << c.code;
    }
    EXPECT_STREQ(ConnTypeName(ConnTypeCodeToPosition(1)), "TCP/IP (LAN)");
    EXPECT_STREQ(ConnTypeName(ConnTypeCodeToPosition(2)), "ActiveSync (Serial)");
    for (int pos = 0; pos < 4; ++pos)
        EXPECT_EQ(ConnTypeCodeToPosition(ConnTypePositionToCode(pos)), pos);
    EXPECT_EQ(ConnTypePositionToCode(9), 0);
}

TEST_F(Store, KeyboardTableTranslatesBothWays) {
    // "Swiss" is the last of the sorted names; it is stored as 4.
    EXPECT_EQ(KeyboardSortedToCode(7), 4);
    EXPECT_STREQ(KeyboardName(4), "Swiss");
    EXPECT_EQ(KeyboardCodeToSorted(9), 1);  // unknown shows as English
    for (int code = 0; code < 8; ++code)
        EXPECT_EQ(KeyboardSortedToCode(KeyboardCodeToSorted(code)), code);
}

TEST_F(Store, HostListSkipsGapsAndBadCounts) {
    Put("NumHosts", "3");
    Put("Host0", "pda");
    Put("Host1", "");
    Put("Host2", "10.0.0.7");
    Put("MultiInst", "1");
    Settings s(m_file);
    HostList l = s.ReadHosts();
    EXPECT_EQ(l.hosts, (std::vector<std::string>{"pda", "10.0.0.7"}));
    EXPECT_TRUE(l.multiInst);
    Put("NumHosts", "31");
    EXPECT_TRUE(Settings(m_file).ReadHosts().hosts.empty());

    HostList w;
    w.hosts = {"a", "b:5500"};
    ASSERT_TRUE(s.WriteHosts(w));
    EXPECT_EQ(Settings(m_file).ReadHosts().hosts, w.hosts);
    EXPECT_FALSE(Settings(m_file).ReadHosts().multiInst);
}

TEST_F(Store, AutoStartFollowsTheFlag) {
    Settings s(m_file);
    s.SetProgramPath("/opt/handrel/bin/handrel");
    ASSERT_TRUE(s.StoreFlags(FLAG_AUTOSTART | FLAG_AUTOCONNECT));
    EXPECT_EQ(s.AutoStartOnConnect(), "/opt/handrel/bin/handrel");
    EXPECT_EQ(s.AutoStartOnDisconnect(), "\"/opt/handrel/bin/handrel\" -d");
    int id = 0;
    ASSERT_TRUE(s.ReadNumber("Id", id));
    EXPECT_EQ(id, FLAG_AUTOSTART | FLAG_AUTOCONNECT);
    ASSERT_TRUE(s.StoreFlags(FLAG_AUTOCONNECT));
    EXPECT_EQ(Settings(m_file).AutoStartOnConnect(), "");
    EXPECT_EQ(Settings(m_file).AutoStartOnDisconnect(), "");
}

TEST_F(Store, TextValuesRoundTripAndEmptyCountsAsAbsent) {
    Settings s(m_file);
    ASSERT_TRUE(s.WriteText("C:", "\\My Documents"));
    std::string t;
    ASSERT_TRUE(s.ReadText("C:", t));
    EXPECT_EQ(t, "\\My Documents");
    Put("Scale", "");
    int v = 77;
    EXPECT_FALSE(Settings(m_file).ReadNumber("Scale", v));
    EXPECT_EQ(v, 77);
}

// Every write replaces the file whole (written aside, renamed into place):
// a crash or a full disk mid-write never leaves a cut settings file.
TEST_F(Store, WritesReplaceTheFileWhole) {
    Settings s(m_file);
    ASSERT_TRUE(s.SetScale(150));
    struct stat before {};
    ASSERT_EQ(::stat(m_file.c_str(), &before), 0);
    ASSERT_TRUE(s.SetScale(200));
    struct stat after {};
    ASSERT_EQ(::stat(m_file.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino) << "the file was rewritten in place";
    EXPECT_EQ(Settings(m_file).Scale(), 200);
    for (const auto& e : std::filesystem::directory_iterator(m_dir))
        EXPECT_EQ(e.path().filename(), "Handrel.conf");
}

}  // namespace
}  // namespace hd::desktop
