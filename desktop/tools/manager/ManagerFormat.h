// What the process manager shows, as text: the column table, the rows of the
// task, thread and module lists, the System Information page's labels, the
// user-facing messages, and the reading of a task index or process
// identifier typed by a user. Pure functions, any thread; the manager window
// and the terminal commands only show what these return.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/tools/manager/RemoteTaskList.h"
#include "desktop/tools/manager/TaskRecords.h"

namespace hd::tools {

inline constexpr const char* kBackgroundProcess = "[Background Process]";
inline constexpr const char* kNoApplicationSelected = "No application has been selected !";
inline constexpr const char* kNoProcessSelected = "No Process/Application has been selected !";
inline constexpr const char* kKillQuestion =
    "Warning : Killing a critical process can affect the operation of your Pocket PC\n"
    "Are you sure you want to continue ?";
inline constexpr const char* kNoProcesses = "There are no processed to display";
inline constexpr const char* kManagerTitle = "Handrel Manager";

// The manager's list columns, all left-aligned; tasks use ids 0-1, threads
// 2-3, modules 4-9.
struct ManagerColumn {
    int id;
    const char* header;
    int width;  // pixels
};
const std::array<ManagerColumn, 10>& ManagerColumns();

// "0x%x".
std::string HexText(uint32_t value);
// A byte count with its megabytes: "%u (%.2fMb)", the megabytes being the
// count times the single-precision 9.765625e-7 (a division by 1,024,000).
std::string MegabyteText(uint32_t bytes);

// One row of the tasks list; item is the record's index in the task list.
struct TaskRow {
    int item;
    std::string process;
    std::string window;  // the title, or "[Background Process]"
};
TaskRow FormatTask(int item, const TaskRecord& task);
// Thread Id, Priority.
std::array<std::string, 2> FormatThread(const ThreadRecord& thread);
// Name, Base Addr, Base Size, Usage, Proc Usage, Handle.
std::array<std::string, 6> FormatModule(const ModuleRecord& module);

// Every record of the list in order; empty when the list is (the window
// then shows its empty-list text).
std::vector<TaskRow> TaskRows(const RemoteTaskList& tasks);
std::vector<std::array<std::string, 2>> ThreadRows(const RemoteThreadList& threads);
std::vector<std::array<std::string, 6>> ModuleRows(const RemoteModuleList& modules);

// One label of the System Information page: its group box, its row, the
// column within the row ("" when the row has one value) and the text.
struct SysInfoLabel {
    const char* group;
    const char* row;
    const char* column;
    std::string text;
};
std::vector<SysInfoLabel> SysInfoLabels(const SysInfoRecord& info);

// A task index as a user types it: decimal, 0-255.
bool ParseTaskIndex(std::string_view text, int& index);
// A process identifier: decimal or 0x-hexadecimal, at most 32 bits.
bool ParseProcessId(std::string_view text, uint32_t& pid);

}  // namespace hd::tools
