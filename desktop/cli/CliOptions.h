// handrel-cli's command line: global options and one command with its
// arguments. Parsing is a plain function so it can be tested.
#pragma once

#include <string>
#include <vector>

#include "desktop/session/Settings.h"

namespace hd::cli {

struct Options {
    // "name" or "name:port": TCP/IP; "ssh://...": TCP/IP through ssh; empty: the local link
    std::string host;
    std::string device = "virtual";
    std::string root;
    int sensitivity = -1;  // -1: the stored one
    bool log = false;
    bool screenExtension = true;  // false: --no-screen-extension
    std::string settingsFile;
    std::string command;  // screenshot, watch, stats
    std::vector<std::string> args;
};

// False with a message in error when the line is not usable.
bool ParseOptions(int argc, char** argv, Options& out, std::string& error);
const char* Usage();

// The stored settings with the command line's choices in front: a --host
// makes the connection TCP/IP (LAN) to that host, otherwise the local link.
class CliSettings : public desktop::ConnectionSettings {
public:
    CliSettings(desktop::Settings& store, const Options& options)
        : m_store(store), m_options(options) {}
    int ConnTypeCode() override { return m_options.host.empty() ? 0 : 1; }
    desktop::HostList Hosts() override;
    int Sensitivity() override;
    uint16_t Flags() override;
    bool OffersScreenExtension() override {
        return m_options.screenExtension && m_store.OffersScreenExtension();
    }

private:
    desktop::Settings& m_store;
    const Options& m_options;
};

}  // namespace hd::cli
