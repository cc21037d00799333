// Rigs for the file client and transfer engine tests: a command channel over
// a scripted stream, a command channel to the real agent's virtual handheld
// through the local link (device root and desktop folder in one temporary
// folder), and a transfer user interface that answers from a script.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "agent/FileServiceWire.h"
#include "desktop/session/ConnectionManager.h"
#include "desktop/session/DesktopChannel.h"
#include "desktop/session/LocalLink.h"
#include "desktop/tools/transfer/TransferUi.h"
#include "session/SessionFakes.h"

namespace hd::tools::test {

using hd::test::Bytes;
using hd::test::Exists;
using hd::test::ReadFile;
using hd::test::WriteFile;

// The command channel over a scripted stream.
struct WireRig {
    WireRig() {
        manager.SetEndPauseMs(0);
        hc.SetStream(&stream);
    }
    ~WireRig() { hc.SetStream(nullptr); }
    desktop::test::MemorySettings settings;
    desktop::test::RecordingUi ui;
    desktop::test::FakeRapi rapi;
    desktop::ConnectionManager manager{settings, rapi, ui};
    hd::test::FakeStream stream;
    desktop::DesktopChannel hc{manager, true};
};

// The real agent in-process; device root at base/root ("1:\"), a desktop
// folder at base/desk.
struct LocalRig {
    LocalRig() {
        char name[] = "/tmp/hd-fs-XXXXXX";
        base = ::mkdtemp(name);
        root = base + "/root";
        desk = base + "/desk";
        std::filesystem::create_directory(root);
        std::filesystem::create_directory(desk);
        link = std::make_unique<desktop::LocalLink>("virtual", root, HD_AGENT_LIBRARY);
        manager = std::make_unique<desktop::ConnectionManager>(settings, *link, ui);
        manager->SetEndPauseMs(0);
        hc = std::make_unique<desktop::DesktopChannel>(*manager, true);
        connected = hc->Connect(0, 0, false);
    }
    ~LocalRig() {
        hc->Disconnect(true);
        hc.reset();
        manager.reset();
        link.reset();
        std::filesystem::remove_all(base);
    }
    // A file below the device root, by its device path without "1:\".
    std::string OnDevice(const std::string& rel) const { return root + "/" + rel; }

    desktop::test::MemorySettings settings;  // type 0: the local link
    desktop::test::RecordingUi ui;
    std::string base, root, desk;
    std::unique_ptr<desktop::LocalLink> link;
    std::unique_ptr<desktop::ConnectionManager> manager;
    std::unique_ptr<desktop::DesktopChannel> hc;
    bool connected = false;
};

// Answers the engine's questions from scripts and records what it was asked.
struct ScriptedUi : TransferUi {
    Answer ConfirmReplace(const std::string& name, const std::string& existing,
                          const std::string& incoming) override {
        replaced.push_back(name);
        lastExisting = existing;
        lastIncoming = incoming;
        if (replaceAnswers.empty()) {
            ADD_FAILURE() << "unexpected replace question for " << name;
            return Cancel;
        }
        const Answer a = replaceAnswers.front();
        replaceAnswers.pop_front();
        return a;
    }
    bool AskContinue(const std::string& detail) override {
        errors.push_back(detail);
        if (continueAnswers.empty()) {
            ADD_FAILURE() << "unexpected error question: " << detail;
            return false;
        }
        const bool a = continueAnswers.front();
        continueAnswers.pop_front();
        return a;
    }
    void ShowWait(const std::string& text) override {
        waits.push_back(text);
        ++open;
    }
    void CloseWait() override { open = 0; }
    void Skipped(const std::string& folder, const std::string& name) override {
        skipped.push_back(folder + "|" + name);
    }

    std::deque<Answer> replaceAnswers;
    std::deque<bool> continueAnswers;
    std::vector<std::string> replaced, errors, waits, skipped;
    std::string lastExisting, lastIncoming;
    int open = 0;
};

}  // namespace hd::tools::test
