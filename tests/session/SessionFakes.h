// Fakes for the desktop session: settings held in memory, a remote-API link
// that hands out scripted streams, and a user interface that records.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "desktop/session/RemoteApi.h"
#include "desktop/session/SessionUi.h"
#include "desktop/session/Settings.h"
#include "support/FakeStream.h"

namespace hd::desktop::test {

struct MemorySettings : ConnectionSettings {
    int ConnTypeCode() override { return connType; }
    HostList Hosts() override { return hosts; }
    int Sensitivity() override { return sensitivity; }
    uint16_t Flags() override { return flags; }
    int connType = 0;
    HostList hosts;
    int sensitivity = 0;
    uint16_t flags = 0;
};

struct RecordingUi : SessionUi {
    void ShowMessage(const std::string& t) override { messages.push_back(t); }
    std::optional<std::string> ChooseHost(const std::vector<std::string>& h) override {
        ++chooseCalls;
        if (choice < 0) return std::nullopt;
        return h.empty() ? found : h.at(size_t(choice));
    }
    bool FindsDevices() override { return !found.empty(); }
    void ShowWait(const std::string& t) override { waits.push_back(t); }
    void CloseWait() override {}
    void RequestDisconnect() override { ++disconnectRequests; }
    std::vector<std::string> messages, waits;
    std::string found;  // the device Select Host lists when no host is typed
    int chooseCalls = 0;
    int choice = 0;
    int disconnectRequests = 0;
};

struct FakeRapi : RemoteApi {
    HRESULT CeRapiInitEx(RapiInit& init) override {
        ++inits;
        if (initCall != S_OK) return initCall;
        init.hrRapiInit = initResult;
        if (signal) init.heRapiInit->Set();
        return S_OK;
    }
    HRESULT CeRapiInvoke(const char*, const char* function, uint32_t, uint8_t*, uint32_t*,
                         uint8_t**, IRAPIStream** stream, uint32_t) override {
        invoked.push_back(function);
        if (streams.empty()) return E_FAIL;
        *stream = streams.front();
        streams.pop_front();
        return S_OK;
    }
    HRESULT CeRapiUninit() override {
        ++uninits;
        return S_OK;
    }
    void ShutdownStream(IRAPIStream*) override { ++shutdowns; }

    HRESULT initCall = S_OK;
    HRESULT initResult = S_OK;
    bool signal = true;
    int inits = 0, uninits = 0, shutdowns = 0;
    std::deque<IRAPIStream*> streams;
    std::vector<std::string> invoked;
};

}  // namespace hd::desktop::test
