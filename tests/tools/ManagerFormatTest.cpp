// What the manager shows: texts taken out of the handheld's fixed fields, the
// System Information labels and the numbers a user types.
#include <gtest/gtest.h>

#include "desktop/tools/manager/ManagerFormat.h"
#include "desktop/tools/manager/TaskRecords.h"
#include "tools/ManagerWire.h"

namespace hd::tools {
namespace {

using namespace hd::tools::test;

std::string Field(const std::u16string& text, size_t units) {
    Bytes f(units * 2, 0);
    PutUnits(f.data(), units, text);
    return WideField(f);
}

TEST(ManagerFormat, WideFieldsStopAtTheNulOrTheFieldsEnd) {
    EXPECT_EQ(Field(u"", 64), "");
    EXPECT_EQ(Field(std::u16string(u"ab\0cd", 5), 64), "ab");
    // A handheld that leaves no NUL: the text ends with the field.
    EXPECT_EQ(Field(std::u16string(64, u'x'), 64), std::string(64, 'x'));
    Bytes odd(5, 0);  // an odd last byte is not half a unit
    PutUnits(odd.data(), 2, u"ab");
    odd[4] = 'c';
    EXPECT_EQ(WideField(odd), "ab");
    EXPECT_EQ(Field(u"caf\u00e9", 8), "caf\xC3\xA9");
    EXPECT_EQ(Field(u"\U0001F600", 8), "\xF0\x9F\x98\x80");
    // An unpaired surrogate, also one cut off by the field's end.
    EXPECT_EQ(Field(std::u16string(1, char16_t(0xDC00)) + u"a", 8),
              "\xEF\xBF\xBD"
              "a");
    EXPECT_EQ(Field(std::u16string(3, u'a') + char16_t(0xD83D), 4), "aaa\xEF\xBF\xBD");
}

TEST(ManagerFormat, TaskThreadAndModuleRows) {
    const TaskRecord background = ParseTask(
        std::span<const uint8_t, 292>(TaskBytes(0x03FFD002, u"nk.exe", u"", 0).data(), 292));
    EXPECT_EQ(FormatTask(0, background).window, "[Background Process]");
    // A titled window shows its title even when the handle is 0.
    Bytes titled = TaskBytes(9, u"x.exe", u"Notes", 0);
    EXPECT_EQ(FormatTask(4, ParseTask(std::span<const uint8_t, 292>(titled.data(), 292))).window,
              "Notes");
    EXPECT_EQ(FormatThread({0xFFFFFFFF, -2147483647 - 1}),
              (std::array<std::string, 2>{"0xffffffff", "-2147483648"}));
    // A size past 2 GB is a byte count, never negative.
    EXPECT_EQ(FormatModule({0, 0x80000000u, 0, 0, 0, "big.dll"})[2], "2147483648");
}

TEST(ManagerFormat, SystemInformationLabels) {
    Bytes r(244, 0);
    PutUnits(r.data(), 35, u"1 X Intel Strongarm");
    PutUnits(r.data() + 70, 61, u"Windows CE 3.0, build 11171");
    put_le32(r.data() + 192, 0x00010000);
    put_le32(r.data() + 196, 0x7FFFFFFF);
    put_le32(r.data() + 200, 15360);        // available physical
    put_le32(r.data() + 204, 0xFFFFFFFF);   // total physical
    put_le32(r.data() + 208, 1024000);      // available virtual
    put_le32(r.data() + 212, 0x80000000u);  // total virtual
    put_le32(r.data() + 216, 4096);
    put_le32(r.data() + 220, 44);
    put_le32(r.data() + 224, 0);
    put_le32(r.data() + 228, 16777216);
    put_le16(r.data() + 232, 65535);
    put_le16(r.data() + 234, 320);
    put_le32(r.data() + 236, 0xFFFFFFFF);  // -1: deeper than 8 bits per pixel
    r[240] = 255;                          // level not known
    r[241] = 100;
    const auto labels = SysInfoLabels(ParseSysInfo(std::span<const uint8_t, 244>(r.data(), 244)));
    std::vector<std::string> lines;
    for (const auto& l : labels)
        lines.push_back(std::string(l.group) + "|" + l.row + "|" + l.column + "|" + l.text);
    const std::vector<std::string> want{
        "General|Version||Windows CE 3.0, build 11171",
        "General|Processor||1 X Intel Strongarm",
        "General|Screen||65535 X 320, -1 colors",
        "Memory|Utilization||44 %",
        "Memory|Physical|Total|4294967295 (4194.30Mb)",
        // Single precision: 15360 x 9.765625e-7f lies just above 0.015.
        "Memory|Physical|Available|15360 (0.02Mb)",
        "Memory|Virtual|Total|2147483648 (2097.15Mb)",
        "Memory|Virtual|Available|1024000 (1.00Mb)",
        "Memory|Object Store|Total|16777216 (16.38Mb)",
        "Memory|Object Store|Available|0 (0.00Mb)",
        "Memory|Page Allocation Size||4096",
        "Application Address|Minimum||0x10000",
        "Application Address|Maximum||0x7fffffff",
        "Battery|Remaining|Primary|255 %",
        "Battery|Remaining|Backup|100 %",
    };
    EXPECT_EQ(lines, want);
}

TEST(ManagerFormat, TypedIndexesAndProcessIds) {
    int index = -1;
    EXPECT_TRUE(ParseTaskIndex("255", index));
    EXPECT_EQ(index, 255);
    for (const char* bad : {"256", "", "-1", "1x", " 1", "0x1", "99999999999"})
        EXPECT_FALSE(ParseTaskIndex(bad, index)) << bad;

    uint32_t pid = 0;
    EXPECT_TRUE(ParseProcessId("0x3FFD002", pid));
    EXPECT_EQ(pid, 0x03FFD002u);
    EXPECT_TRUE(ParseProcessId("4294967295", pid));
    EXPECT_EQ(pid, 0xFFFFFFFFu);
    EXPECT_TRUE(ParseProcessId("0XffffFFFF", pid));
    EXPECT_EQ(pid, 0xFFFFFFFFu);
    for (const char* bad :
         {"", "0x", "4294967296", "0x100000000", "-1", "+1", "12ab", "0x-1", "1 "})
        EXPECT_FALSE(ParseProcessId(bad, pid)) << bad;
}

}  // namespace
}  // namespace hd::tools
