// The system-information record byte for byte, its texts, the values that
// do not fit, and the virtual and Linux devices' records.
#include "agent/tasks/SystemInfoReport.h"

#include <gtest/gtest.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "TaskFakes.h"
#include "agent/platform/linux/LinuxSystemInfo.h"
#include "agent/platform/linux/ProcFiles.h"
#include "agent/platform/virtual/VirtualSystemInfo.h"
#include "common/ByteOrder.h"
#include "support/FakeStream.h"

namespace hd {
namespace {

using test::FakeStream;
using test::FakeSystem;
using Bytes = std::vector<uint8_t>;

void AppendWide(Bytes& out, const std::string& text, size_t units) {
    for (size_t i = 0; i < units; ++i) {
        out.push_back(uint8_t(i < text.size() ? text[i] : 0));
        out.push_back(0);
    }
}
void AppendLe32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
std::string Narrow(const uint8_t* p, size_t units) {
    std::string s;
    for (size_t i = 0; i < units && get_le16(p + 2 * i); ++i) s += char(get_le16(p + 2 * i));
    return s;
}

FakeSystem Handheld() {
    FakeSystem s;
    s.cpu = {1, 2577, "", 0x00010000, 0x7FFFFFFF, 4096};
    s.memory = {9175040, 16777216, 30015488, 33554432, 45};
    s.os = {3, 0, 11171, "", ""};
    s.store = {12713984, 16777216};
    s.screen = {240, 320, -1};
    s.power = {85, 255};
    return s;
}

TEST(SysInfo, RecordAndReplyByteForByte) {
    FakeSystem system = Handheld();
    SystemInfoReport si(system);
    FakeStream s;
    Channel ch(&s);
    ASSERT_TRUE(si.List2Stream(ch));

    Bytes want = {0x00, 0x00, 0x00, 0xF4};                // length 244, big-endian
    AppendWide(want, "1 X Intel Strongarm", 35);          // 0: processor
    AppendWide(want, "Windows CE 3.0, build 11171", 61);  // 70: OS
    AppendLe32(want, 0x00010000);                         // 192: lowest address
    AppendLe32(want, 0x7FFFFFFF);                         // 196: highest address
    AppendLe32(want, 9175040);                            // 200: available physical
    AppendLe32(want, 16777216);                           // 204: total physical
    AppendLe32(want, 30015488);                           // 208: available virtual
    AppendLe32(want, 33554432);                           // 212: total virtual
    AppendLe32(want, 4096);                               // 216: page size
    AppendLe32(want, 45);                                 // 220: memory load
    AppendLe32(want, 12713984);                           // 224: free store
    AppendLe32(want, 16777216);                           // 228: store size
    want.insert(want.end(), {0xF0, 0x00, 0x40, 0x01});    // 232: width 240, height 320
    AppendLe32(want, 0xFFFFFFFF);                         // 236: colours -1, as reported
    want.insert(want.end(), {85, 255, 0, 0});             // 240: batteries, padding
    EXPECT_EQ(s.Written(), want);
}

TEST(SysInfo, TextsAndValuesTooWide) {
    FakeSystem system = Handheld();
    system.cpu = {2, 0, "AMD EPYC", 0x10000, 0x7FFFFFFFF000ull, 4096};
    system.memory.totalPhysical = 8ull << 30;
    system.os = {4, 20, 1081, "Service Pack 2", ""};
    system.screen = {70000, 480, 256};
    SystemInfoReport si(system);
    si.LoadSysInfo();
    const uint8_t* r = si.Record().data();
    EXPECT_EQ(Narrow(r, 35), "2 X AMD EPYC");  // no type of the table: the own name
    EXPECT_EQ(Narrow(r + 70, 61), "Windows CE 4.20, build 1081, Service Pack 2");
    EXPECT_EQ(get_le32(r + 196), 0u);           // an address past 32 bits is not cut
    EXPECT_EQ(get_le32(r + 204), 0xFFFFFFFFu);  // an amount is clamped
    EXPECT_EQ(get_le16(r + 232), 0xFFFF);
    EXPECT_EQ(get_le32(r + 236), 256u);

    system.cpu = {1, 99, "", 0, 0, 4096};  // no name at all
    system.os.ownText = "Linux 6.1.0, build 18";
    system.os.csdVersion.clear();
    si.LoadSysInfo();
    EXPECT_EQ(Narrow(r, 35), "1 X Unknown");
    EXPECT_EQ(Narrow(r + 70, 61), "Linux 6.1.0, build 18");

    system.cpu = {64, 0, std::string(60, 'n'), 0, 0, 4096};
    system.os.ownText = std::string(70, 'o');
    si.LoadSysInfo();
    EXPECT_EQ(Narrow(r, 35), "64 X " + std::string(29, 'n'));  // 34 units and the NUL
    EXPECT_EQ(get_le16(r + 68), 0);
    EXPECT_EQ(Narrow(r + 70, 61), std::string(60, 'o'));
    EXPECT_EQ(get_le16(r + 70 + 120), 0);
}

TEST(SysInfo, WhatTheDeviceCannotTellKeepsItsLastValue) {
    FakeSystem system = Handheld();
    SystemInfoReport si(system);
    si.LoadSysInfo();
    const auto before = si.Record();
    system.ok = false;
    system.memory.availPhysical = 1;
    system.power = {1, 1};
    system.screen = {320, 240, -1};  // the screen is always read
    si.LoadSysInfo();
    auto after = si.Record();
    EXPECT_EQ(get_le16(after.data() + 232), 320);
    put_le16(after.data() + 232, 240);
    put_le16(after.data() + 234, 320);
    EXPECT_EQ(after, before);
}

TEST(SysInfo, VirtualHandheld) {
    platform::VirtualSystemInfo system(240, 320);
    SystemInfoReport si(system);
    si.LoadSysInfo();
    const uint8_t* r = si.Record().data();
    EXPECT_EQ(Narrow(r, 35), "1 X Intel Strongarm");
    EXPECT_EQ(Narrow(r + 70, 61), "Windows CE 3.0, build 11171");
    EXPECT_EQ(get_le16(r + 232), 240);
    EXPECT_EQ(get_le16(r + 234), 320);
    EXPECT_LT(get_le32(r + 200), get_le32(r + 204));
    EXPECT_LE(get_le32(r + 224), get_le32(r + 228));
}

TEST(SysInfo, LinuxNamesTheRealSystem) {
    platform::LinuxSystemInfo system("/tmp", 640, 480);
    SystemInfoReport si(system);
    si.LoadSysInfo();
    const uint8_t* r = si.Record().data();
    utsname u{};
    ASSERT_EQ(uname(&u), 0);
    const std::string os = Narrow(r + 70, 61);
    EXPECT_EQ(os.rfind("Linux ", 0), 0u) << os;
    const std::string release = u.release;
    EXPECT_EQ(os.substr(6, 2), release.substr(0, 2)) << os;
    EXPECT_NE(os.find(", build "), std::string::npos);

    std::string cpuinfo;
    platform::ReadTextFile("/proc/cpuinfo", cpuinfo, 1 << 20);
    const std::string cpu = std::to_string(sysconf(_SC_NPROCESSORS_ONLN)) + " X " +
                            platform::CpuName(cpuinfo, u.machine);
    EXPECT_EQ(Narrow(r, 35), cpu.substr(0, 34));
    EXPECT_GT(get_le32(r + 204), 0u);  // total physical memory
    EXPECT_GT(get_le32(r + 228), 0u);  // size of the file system under the root
    EXPECT_EQ(get_le32(r + 216), uint32_t(sysconf(_SC_PAGESIZE)));
    EXPECT_EQ(get_le16(r + 232), 640);
}

}  // namespace
}  // namespace hd
