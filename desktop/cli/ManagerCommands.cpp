// ps, activate, kill, details, sysinfo: the process manager from a terminal.
// Every command pulls the task list first: the handheld acts on the list it
// sent last, and a fresh connection's handheld holds none.
#include <cstdio>
#include <iostream>
#include <string>

#include "desktop/cli/Command.h"
#include "desktop/tools/manager/ManagerFormat.h"
#include "desktop/tools/manager/RemoteTaskList.h"

namespace hd::cli {

namespace {

std::string CheckNone(const std::vector<std::string>& a) {
    return a.empty() ? "" : "this command takes no arguments";
}

std::string CheckIndex(const std::vector<std::string>& a) {
    int index;
    return a.size() == 1 && tools::ParseTaskIndex(a[0], index)
               ? ""
               : "activate needs a task INDEX (0-255) as ps shows it";
}

std::string CheckKill(const std::vector<std::string>& a) {
    int index;
    const bool yes = !a.empty() && a[0] == "--yes";
    if (a.size() == size_t(yes ? 2 : 1) && tools::ParseTaskIndex(a.back(), index)) return "";
    return "kill needs [--yes] and a task INDEX (0-255) as ps shows it";
}

std::string CheckPid(const std::vector<std::string>& a) {
    uint32_t pid;
    return a.size() == 1 && tools::ParseProcessId(a[0], pid)
               ? ""
               : "details needs a process id, decimal or 0x-hexadecimal";
}

// The task list, pulled; false with the message given.
bool PullTasks(tools::RemoteTaskList& am, Context& c) {
    am.SetConnection(&c.session.Command());
    if (am.Pulltsklist()) return true;
    Fail("the device's task list could not be read");
    return false;
}

void PrintTask(const tools::RemoteTaskList& am, int i) {
    const tools::TaskRow row = tools::FormatTask(i, am.Task(i));
    std::printf("%5d  %-10s  %-24s  %s\n", i, tools::HexText(am.ProcessId(i)).c_str(),
                row.process.c_str(), row.window.c_str());
}

void PrintTasks(const tools::RemoteTaskList& am) {
    const auto& col = tools::ManagerColumns();
    std::printf("%5s  %-10s  %-24s  %s\n", "Index", "Id", col[0].header, col[1].header);
    for (int i = 0; i < am.Count(); ++i) PrintTask(am, i);
    if (am.Count() == 0) std::printf("%s\n", tools::kNoProcesses);
}

// The task the user named, from the list just pulled; -1 with the message.
int TaskIndex(const tools::RemoteTaskList& am, const std::string& text) {
    int index = -1;
    tools::ParseTaskIndex(text, index);
    if (index >= am.Count()) {
        Fail("no task " + text + " (the device runs " + std::to_string(am.Count()) + ")");
        return -1;
    }
    return index;
}

// The kill confirmation, asked on the terminal; anything but yes is No.
bool ConfirmKill() {
    std::fflush(stdout);  // the task line comes before the question
    std::fprintf(stderr, "%s [y/N] ", tools::kKillQuestion);
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}

int Ps(Context& c) {
    tools::RemoteTaskList am;
    if (!PullTasks(am, c)) return EXIT_FAILED;
    PrintTasks(am);
    return EXIT_DONE;
}

int Activate(Context& c) {
    tools::RemoteTaskList am;
    if (!PullTasks(am, c)) return EXIT_FAILED;
    const int index = TaskIndex(am, c.options.args[0]);
    if (index < 0) return EXIT_FAILED;
    if (!am.Activate(index)) {
        Fail("the activation could not be sent");
        return EXIT_FAILED;
    }
    const tools::TaskRecord task = am.Task(index);
    if (task.window == 0 || task.title.empty())
        std::printf("%s has no titled window: nothing to bring to the front\n", task.exe.c_str());
    else
        std::printf("activated %d %s (%s)\n", index, task.exe.c_str(), task.title.c_str());
    return EXIT_DONE;
}

int Kill(Context& c) {
    const bool yes = c.options.args[0] == "--yes";
    tools::RemoteTaskList am;
    if (!PullTasks(am, c)) return EXIT_FAILED;
    const int index = TaskIndex(am, c.options.args.back());
    if (index < 0) return EXIT_FAILED;
    PrintTask(am, index);
    if (!yes && !ConfirmKill()) {
        std::printf("nothing was killed\n");
        return EXIT_DONE;
    }
    const uint32_t pid = am.ProcessId(index);
    std::string name;
    am.ExeName(index, name);
    if (!am.Kill(index)) {
        Fail("the device's task list after the kill could not be read");
        return EXIT_FAILED;
    }
    PrintTasks(am);
    for (int i = 0; i < am.Count(); ++i) {
        if (am.ProcessId(i) == pid) {
            Fail(name + " (" + tools::HexText(pid) + ") is still running");
            return EXIT_FAILED;
        }
    }
    return EXIT_DONE;
}

int Details(Context& c) {
    uint32_t pid = 0;
    tools::ParseProcessId(c.options.args[0], pid);
    tools::RemoteTaskList am;
    if (!PullTasks(am, c)) return EXIT_FAILED;
    // Asking for a process the handheld does not run would end its command
    // loop (its module snapshot fails): refuse it here.
    int index = -1;
    for (int i = 0; i < am.Count() && index < 0; ++i)
        if (am.ProcessId(i) == pid) index = i;
    if (pid == 0 || index < 0) {
        Fail("no process with id " + tools::HexText(pid) + " runs on the device");
        return EXIT_FAILED;
    }
    std::string name;
    am.ExeName(index, name);
    std::printf("Process Name: %s\nProcess Id: %s\n", name.c_str(), tools::HexText(pid).c_str());
    const bool ok = am.GetThrAndModLists(pid);
    const auto& col = tools::ManagerColumns();
    std::printf("\nThreads\n  %-12s  %s\n", col[2].header, col[3].header);
    for (const auto& r : tools::ThreadRows(am.Threads()))
        std::printf("  %-12s  %s\n", r[0].c_str(), r[1].c_str());
    std::printf("\nModules\n  %-16s  %-10s  %-10s  %-10s  %-10s  %s\n", col[4].header,
                col[5].header, col[6].header, col[7].header, col[8].header, col[9].header);
    for (const auto& r : tools::ModuleRows(am.Modules()))
        std::printf("  %-16s  %-10s  %-10s  %-10s  %-10s  %s\n", r[0].c_str(), r[1].c_str(),
                    r[2].c_str(), r[3].c_str(), r[4].c_str(), r[5].c_str());
    if (!ok) {
        Fail("the threads and modules of " + name + " could not be read");
        return EXIT_FAILED;
    }
    return EXIT_DONE;
}

int SysInfo(Context& c) {
    tools::RemoteTaskList am;
    am.SetConnection(&c.session.Command());
    if (!am.SysInfo().PullData()) {
        Fail("the device's system information could not be read");
        return EXIT_FAILED;
    }
    const char* group = "";
    for (const tools::SysInfoLabel& l : tools::SysInfoLabels(am.SysInfo().Info())) {
        if (std::string(group) != l.group) std::printf("%s\n", group = l.group);
        std::string label = l.row;
        if (*l.column) label += std::string(" ") + l.column;
        std::printf("  %-28s %s\n", (label + ":").c_str(), l.text.c_str());
    }
    return EXIT_DONE;
}

}  // namespace

std::vector<Command> ManagerCommands() {
    return {
        {"ps", "ps", "the device's tasks: index, id, process and window", CheckNone, Ps, false},
        {"activate", "activate INDEX", "bring a task's window to the front", CheckIndex, Activate,
         false},
        {"kill", "kill [--yes] INDEX", "end a task (asks first unless --yes)", CheckKill, Kill,
         false},
        {"details", "details PID", "the threads and modules of a process (decimal or 0x...)",
         CheckPid, Details, false},
        {"sysinfo", "sysinfo", "the device's system information", CheckNone, SysInfo, false},
    };
}

}  // namespace hd::cli
