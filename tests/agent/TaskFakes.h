// Recording fakes of the task and system-information backends, and a fake
// virtual shell, for the process-service tests. One test thread each.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "agent/platform/SystemInfo.h"
#include "agent/platform/Tasks.h"
#include "agent/platform/virtual/Shell.h"

namespace hd::test {

struct FakeTasks : platform::Tasks {
    bool snapshotOk = true;
    bool threadsOk = true;
    std::vector<platform::ProcessEntry> processes;
    std::vector<platform::WindowEntry> windows;
    std::map<uint32_t, std::vector<platform::ThreadEntry>> threads;
    std::map<uint32_t, std::vector<platform::ModuleEntry>> modules;  // absent: cannot list
    std::vector<std::string> calls;

    bool Processes(std::vector<platform::ProcessEntry>& out) override {
        out = processes;
        return snapshotOk;
    }
    void Windows(std::vector<platform::WindowEntry>& out) override { out = windows; }
    bool Threads(uint32_t pid, std::vector<platform::ThreadEntry>& out) override {
        out = threads.count(pid) ? threads[pid] : std::vector<platform::ThreadEntry>{};
        return threadsOk;
    }
    bool Modules(uint32_t pid, std::vector<platform::ModuleEntry>& out) override {
        if (!modules.count(pid)) return false;
        out = modules[pid];
        return true;
    }
    void Activate(uint32_t w) override { calls.push_back("activate " + std::to_string(w)); }
    void PostClose(uint32_t w) override { calls.push_back("close " + std::to_string(w)); }
    bool Terminate(uint32_t pid) override {
        calls.push_back("terminate " + std::to_string(pid));
        return std::erase_if(processes, [&](auto& p) { return p.pid == pid; }) > 0;
    }

    void AddProcess(uint32_t pid, std::string exe) {
        processes.push_back({1, pid, 1, 1, 0, std::move(exe)});
    }
};

struct FakeSystem : platform::SystemInfo {
    bool ok = true;
    platform::ProcessorInfo cpu;
    platform::MemoryInfo memory;
    platform::OsVersionInfo os;
    platform::StoreInfo store;
    platform::ScreenInfo screen;
    platform::PowerInfo power;

    bool Processor(platform::ProcessorInfo& out) override { return Give(cpu, out); }
    bool Memory(platform::MemoryInfo& out) override { return Give(memory, out); }
    bool Version(platform::OsVersionInfo& out) override { return Give(os, out); }
    bool Store(platform::StoreInfo& out) override { return Give(store, out); }
    platform::ScreenInfo Screen() override { return screen; }
    bool Power(platform::PowerInfo& out) override { return Give(power, out); }

private:
    template <typename T>
    bool Give(const T& value, T& out) {
        if (ok) out = value;
        return ok;
    }
};

// The running applications of a virtual handheld; a close request ends the
// application as its window closes.
struct FakeShell : platform::Shell {
    std::vector<platform::ShellApp> apps;
    std::vector<std::string> calls;

    std::vector<platform::ShellApp> Apps() override { return apps; }
    bool Activate(uint32_t pid) override { return Record("activate", pid, false); }
    bool Close(uint32_t pid) override { return Record("close", pid, true); }
    bool Terminate(uint32_t pid) override { return Record("terminate", pid, true); }

private:
    bool Record(const char* what, uint32_t pid, bool remove) {
        calls.push_back(std::string(what) + " " + std::to_string(pid));
        const auto it =
            std::find_if(apps.begin(), apps.end(), [&](auto& a) { return a.pid == pid; });
        if (it == apps.end()) return false;
        if (remove) apps.erase(it);
        return true;
    }
};

}  // namespace hd::test
