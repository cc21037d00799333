#include "desktop/tools/manager/ManagerFormat.h"

#include <charconv>
#include <cstdio>

namespace hd::tools {

namespace {

template <typename... A>
std::string Format(const char* fmt, A... args) {
    char text[96];
    std::snprintf(text, sizeof text, fmt, args...);
    return text;
}

std::string PercentText(uint32_t percent) {
    return Format("%u %%", percent);
}

}  // namespace

const std::array<ManagerColumn, 10>& ManagerColumns() {
    static const std::array<ManagerColumn, 10> columns{{
        {0, "Process", 200},
        {1, "Window", 200},
        {2, "Thread Id", 200},
        {3, "Priority", 200},
        {4, "Name", 75},
        {5, "Base Addr", 67},
        {6, "Base Size", 52},
        {7, "Usage", 52},
        {8, "Proc Usage", 50},
        {9, "Handle", 62},
    }};
    return columns;
}

std::string HexText(uint32_t value) {
    return Format("0x%x", value);
}

std::string MegabyteText(uint32_t bytes) {
    // Byte counts are unsigned: a device with 2 GB or more must not show a
    // negative count.
    const float megabytes = float(bytes) * 9.765625e-7f;
    return Format("%u (%.2fMb)", bytes, double(megabytes));
}

TaskRow FormatTask(int item, const TaskRecord& task) {
    return {item, task.exe, task.title.empty() ? kBackgroundProcess : task.title};
}

std::array<std::string, 2> FormatThread(const ThreadRecord& thread) {
    return {HexText(thread.tid), Format("%d", thread.basePriority)};
}

std::array<std::string, 6> FormatModule(const ModuleRecord& m) {
    return {m.name,
            HexText(m.base),
            Format("%u", m.size),
            HexText(m.globalUsage),
            HexText(m.processUsage),
            HexText(m.handle)};
}

std::vector<TaskRow> TaskRows(const RemoteTaskList& tasks) {
    std::vector<TaskRow> rows;
    for (int32_t i = 0; i < tasks.Count(); ++i) rows.push_back(FormatTask(i, tasks.Task(i)));
    return rows;
}

std::vector<std::array<std::string, 2>> ThreadRows(const RemoteThreadList& threads) {
    std::vector<std::array<std::string, 2>> rows;
    for (int32_t i = 0; i < threads.Count(); ++i) rows.push_back(FormatThread(threads.Thread(i)));
    return rows;
}

std::vector<std::array<std::string, 6>> ModuleRows(const RemoteModuleList& modules) {
    std::vector<std::array<std::string, 6>> rows;
    for (int32_t i = 0; i < modules.Count(); ++i) rows.push_back(FormatModule(modules.Module(i)));
    return rows;
}

std::vector<SysInfoLabel> SysInfoLabels(const SysInfoRecord& s) {
    return {
        {"General", "Version", "", s.os},
        {"General", "Processor", "", s.processor},
        {"General", "Screen", "",
         Format("%d X %d, %d colors", int(s.width), int(s.height), int(s.colours))},
        {"Memory", "Utilization", "", PercentText(s.memoryLoad)},
        {"Memory", "Physical", "Total", MegabyteText(s.totalPhysical)},
        {"Memory", "Physical", "Available", MegabyteText(s.availPhysical)},
        {"Memory", "Virtual", "Total", MegabyteText(s.totalVirtual)},
        {"Memory", "Virtual", "Available", MegabyteText(s.availVirtual)},
        {"Memory", "Object Store", "Total", MegabyteText(s.storeSize)},
        {"Memory", "Object Store", "Available", MegabyteText(s.storeFree)},
        {"Memory", "Page Allocation Size", "", Format("%u", s.pageSize)},
        {"Application Address", "Minimum", "", HexText(s.minAddress)},
        {"Application Address", "Maximum", "", HexText(s.maxAddress)},
        {"Battery", "Remaining", "Primary", PercentText(s.mainBattery)},
        {"Battery", "Remaining", "Backup", PercentText(s.backupBattery)},
    };
}

bool ParseTaskIndex(std::string_view text, int& index) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || p != end || text[0] == '-' || value > 255)
        return false;
    index = value;
    return true;
}

bool ParseProcessId(std::string_view text, uint32_t& pid) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty() || text[0] == '-' || text[0] == '+') return false;
    uint32_t value = 0;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, value, base);
    if (ec != std::errc() || p != end) return false;
    pid = value;
    return true;
}

}  // namespace hd::tools
