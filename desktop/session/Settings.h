// The desktop settings store: every persistent value as decimal text in one
// INI file (the system's settings key), with one accessor per value applying
// its range and default, the option flags word, the code tables and the
// auto-start registration. Used from the user-interface thread; a test points
// it at a temporary file. Failures are logged; reads then give defaults.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/ExtendedUpdate.h"

class QSettings;

namespace hd::desktop {

// Option flags word bits (stored `Id`, sent as the HC_INIT flags).
constexpr uint16_t FLAG_DESKTOP_LOG = 0x0001;
constexpr uint16_t FLAG_DEVICE_LOG = 0x0002;
constexpr uint16_t FLAG_TURBO = 0x0010;
constexpr uint16_t FLAG_FAST = 0x0020;
constexpr uint16_t FLAG_SLOW = 0x0040;
constexpr uint16_t FLAG_AUTOSTART = 0x1000;
constexpr uint16_t FLAG_AUTOCONNECT = 0x2000;
constexpr uint16_t FLAG_SKIN = 0x4000;

constexpr const char* kVersionText = "2.17";
constexpr int kMaxHosts = 30;

struct HostList {
    std::vector<std::string> hosts;
    bool multiInst = false;
};

// What the connection manager reads of the settings; the command line may put
// its own choices in front of the store.
class ConnectionSettings {
public:
    virtual ~ConnectionSettings() = default;
    virtual int ConnTypeCode() = 0;  // stored code 0..3
    virtual HostList Hosts() = 0;
    virtual int Sensitivity() = 0;  // 0..2
    virtual uint16_t Flags() = 0;   // with the speed bit
    // Whether Connect offers the extended screen update (INIT_EXT_SCREEN).
    virtual bool OffersScreenExtension() { return ScreenExtensionAllowedByEnvironment(); }
};

class Settings : public ConnectionSettings {
public:
    // The user's store ("Orvenna Inc"/"Handrel"), or the given INI file.
    Settings();
    explicit Settings(const std::string& file);
    ~Settings() override;
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    std::string FileName() const;

    // Primitives. ReadNumber: true and the atoi value when present and not empty.
    bool ReadNumber(const std::string& name, int& value);
    // The text (empty when absent); false only when the store cannot be read.
    bool ReadText(const std::string& name, std::string& text);
    bool WriteText(const std::string& name, const std::string& text);
    bool WriteNumber(const std::string& name, int value);

    // The flags word: `Id` plus the speed bit of `ConnType`.
    uint16_t LoadFlags();
    // Writes `Id` and the auto-start registration with it.
    bool StoreFlags(uint16_t flags);
    // The program path the auto-start entries name (at most 250 characters).
    void SetProgramPath(const std::string& path) { m_programPath = path.substr(0, 250); }

    int ConnType();  // stored code, outside 0..3 -> 0
    bool SetConnType(int code);
    int BrokenSensitivity();
    bool SetBrokenSensitivity(int v);
    int Keyboard();
    bool SetKeyboard(int v);
    int Tip();
    bool SetTip(int v);
    int Scale();
    bool SetScale(int v);
    HostList ReadHosts();
    bool WriteHosts(const HostList& list);
    bool MultiInst() { return ReadHosts().multiInst; }
    int Device();
    bool SetDevice(int v);
    std::string Version();
    bool SetVersion(const std::string& v);
    std::string SkinName();
    bool SetSkinName(const std::string& v);
    int DOSFontHeight();
    bool SetDOSFontHeight(int v);
    int Orientation();
    bool SetOrientation(int v);
    void WindowPos(int& x, int& y);
    bool SetWindowPos(int x, int y);
    void SkinPos(int& x, int& y);
    bool SetSkinPos(int x, int y);
    int SortCol();
    bool SetSortCol(int v);
    bool SortAsc();
    bool SetSortAsc(bool v);
    bool AutoCopy();
    bool SetAutoCopy(bool on);
    // `ScreenExtension`: 0 never offers the extended screen update; absent or 1 offers it.
    bool ScreenExtension();
    bool SetScreenExtension(bool on);

    // ConnectionSettings
    int ConnTypeCode() override { return ConnType(); }
    HostList Hosts() override { return ReadHosts(); }
    int Sensitivity() override { return BrokenSensitivity(); }
    uint16_t Flags() override { return LoadFlags(); }
    bool OffersScreenExtension() override {
        return ScreenExtension() && ScreenExtensionAllowedByEnvironment();
    }

    // Auto-start values as written ("" when absent), for the dialogs and tests.
    std::string AutoStartOnConnect();
    std::string AutoStartOnDisconnect();

private:
    int Ranged(const char* name, int lo, int hi, int def);
    bool Check(bool writing);

    std::unique_ptr<QSettings> m_store;
    std::string m_programPath;
};

// Connection types: stored code <-> position in the "Type" list (also the
// connection type index).
int ConnTypeCodeToPosition(int code);
int ConnTypePositionToCode(int position);
const char* ConnTypeName(int position);
bool IsTcpPosition(int position);  // positions 2 and 3

// Keyboard layouts: stored code <-> position in the alphabetically sorted list.
const char* KeyboardName(int code);  // by stored code, "English" outside 0..7
int KeyboardCodeToSorted(int code);
int KeyboardSortedToCode(int position);

}  // namespace hd::desktop
