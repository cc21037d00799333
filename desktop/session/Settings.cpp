#include "desktop/session/Settings.h"

#include <unistd.h>

#include <QSettings>
#include <climits>
#include <cstdlib>

#include "common/Log.h"

namespace hd::desktop {

namespace {

const char* kKeyName = "Orvenna Inc\\Handrel";
const char* kOnConnect = "AutoStartOnConnect/Handrel";
const char* kOnDisconnect = "AutoStartOnDisconnect/Handrel";

QString Key(const std::string& name) {
    return QString::fromStdString(name);
}

std::string ExePath() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, size_t(n)) : std::string();
}

}  // namespace

Settings::Settings()
    : m_store(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                          "Orvenna Inc", "Handrel")) {
    SetProgramPath(ExePath());
}

Settings::Settings(const std::string& file)
    : m_store(std::make_unique<QSettings>(QString::fromStdString(file), QSettings::IniFormat)) {
    SetProgramPath(ExePath());
}

Settings::~Settings() = default;

std::string Settings::FileName() const {
    return m_store->fileName().toStdString();
}

bool Settings::Check(bool writing) {
    if (writing) m_store->sync();
    if (m_store->status() == QSettings::NoError) return true;
    log::Forced(writing ? "Error %ld opening HKEY_LOCAL_MACHINE\\Software\\%s for KEY_WRITE"
                        : "Error %ld opening HKEY_LOCAL_MACHINE\\Software\\%s for KEY_READ",
                long(m_store->status()), kKeyName);
    return false;
}

bool Settings::ReadText(const std::string& name, std::string& text) {
    text.clear();
    if (!Check(false)) return false;
    // A read uses 200 bytes: longer texts are cut there.
    text = m_store->value(Key(name)).toString().toStdString().substr(0, 199);
    return true;
}

bool Settings::ReadNumber(const std::string& name, int& value) {
    std::string text;
    if (!ReadText(name, text) || text.empty()) return false;
    value = std::atoi(text.c_str());
    return true;
}

bool Settings::WriteText(const std::string& name, const std::string& text) {
    m_store->setValue(Key(name), QString::fromStdString(text));
    return Check(true);
}

bool Settings::WriteNumber(const std::string& name, int value) {
    return WriteText(name, std::to_string(value));
}

int Settings::Ranged(const char* name, int lo, int hi, int def) {
    int v;
    if (!ReadNumber(name, v) || v < lo || v > hi) return def;
    return v;
}

uint16_t Settings::LoadFlags() {
    int id = 0;
    ReadNumber("Id", id);
    uint16_t flags = uint16_t(id);
    switch (ConnType()) {
        case 1:
            flags |= FLAG_FAST;
            break;
        case 2:
        case 3:
            flags |= FLAG_SLOW;
            break;
        default:
            break;
    }
    return flags;
}

bool Settings::StoreFlags(uint16_t flags) {
    bool ok = WriteNumber("Id", flags);
    if (flags & FLAG_AUTOSTART) {
        m_store->setValue(kOnConnect, QString::fromStdString(m_programPath));
        m_store->setValue(kOnDisconnect, QString::fromStdString("\"" + m_programPath + "\" -d"));
    } else {
        m_store->remove(kOnConnect);
        m_store->remove(kOnDisconnect);
    }
    return Check(true) && ok;
}

std::string Settings::AutoStartOnConnect() {
    return m_store->value(kOnConnect).toString().toStdString();
}
std::string Settings::AutoStartOnDisconnect() {
    return m_store->value(kOnDisconnect).toString().toStdString();
}

int Settings::ConnType() {
    return Ranged("ConnType", 0, 3, 0);
}
bool Settings::SetConnType(int code) {
    return WriteNumber("ConnType", code);
}
int Settings::BrokenSensitivity() {
    return Ranged("BrokenSensitivity", 0, 2, 0);
}
bool Settings::SetBrokenSensitivity(int v) {
    return WriteNumber("BrokenSensitivity", v);
}
int Settings::Keyboard() {
    return Ranged("Keyboard", INT_MIN, INT_MAX, 0);
}
bool Settings::SetKeyboard(int v) {
    return WriteNumber("Keyboard", v);
}
int Settings::Tip() {
    return Ranged("Tip", INT_MIN, INT_MAX, 0);
}
bool Settings::SetTip(int v) {
    return WriteNumber("Tip", v);
}
int Settings::Scale() {
    return Ranged("Scale", 100, 300, 120);
}
bool Settings::SetScale(int v) {
    return WriteNumber("Scale", v);
}
int Settings::Device() {
    return Ranged("Device", 0, 3, 0);
}
bool Settings::SetDevice(int v) {
    return WriteNumber("Device", v);
}
int Settings::DOSFontHeight() {
    return Ranged("DOSFontHeight", 1, 20, 14);
}
bool Settings::SetDOSFontHeight(int v) {
    return WriteNumber("DOSFontHeight", v);
}
int Settings::Orientation() {
    return Ranged("Orientation", 0, 2, 0);
}
bool Settings::SetOrientation(int v) {
    return WriteNumber("Orientation", v);
}
int Settings::SortCol() {
    return Ranged("SortCol", 0, 3, 0);
}
bool Settings::SetSortCol(int v) {
    return WriteNumber("SortCol", v);
}
bool Settings::SortAsc() {
    return Ranged("SortAsc", 0, 1, 0) == 1;
}
bool Settings::SetSortAsc(bool v) {
    return WriteNumber("SortAsc", v ? 1 : 0);
}
bool Settings::AutoCopy() {
    return Ranged("AutoCopy", 1, 1, 0) == 1;
}
bool Settings::SetAutoCopy(bool on) {
    return WriteNumber("AutoCopy", on ? 1 : 0);
}
bool Settings::ScreenExtension() {
    return Ranged("ScreenExtension", 0, 1, 1) == 1;
}
bool Settings::SetScreenExtension(bool on) {
    return WriteNumber("ScreenExtension", on ? 1 : 0);
}

std::string Settings::Version() {
    std::string v;
    ReadText("Version", v);
    return v;
}
bool Settings::SetVersion(const std::string& v) {
    return WriteText("Version", v);
}
std::string Settings::SkinName() {
    std::string v;
    ReadText("SkinName", v);
    return v;
}
bool Settings::SetSkinName(const std::string& v) {
    return WriteText("SkinName", v);
}

void Settings::WindowPos(int& x, int& y) {
    x = Ranged("WndX", INT_MIN, INT_MAX, 0);
    y = Ranged("WndY", INT_MIN, INT_MAX, 0);
    if (x < 0 || x > 30000 || y < 0 || y > 30000) x = y = 0;  // both reset together
}
bool Settings::SetWindowPos(int x, int y) {
    return WriteNumber("WndX", x) && WriteNumber("WndY", y);
}
void Settings::SkinPos(int& x, int& y) {
    x = Ranged("SkinX", 0, 10000, 0);
    y = Ranged("SkinY", 0, 10000, 0);
}
bool Settings::SetSkinPos(int x, int y) {
    return WriteNumber("SkinX", x) && WriteNumber("SkinY", y);
}

HostList Settings::ReadHosts() {
    HostList list;
    int n = Ranged("NumHosts", 0, kMaxHosts, 0);
    for (int i = 0; i < n; ++i) {
        std::string h;
        if (ReadText("Host" + std::to_string(i), h) && !h.empty()) list.hosts.push_back(h);
    }
    list.multiInst = Ranged("MultiInst", 0, 1, 0) == 1;
    return list;
}

bool Settings::WriteHosts(const HostList& list) {
    const size_t n = std::min<size_t>(list.hosts.size(), kMaxHosts);
    bool ok = WriteNumber("NumHosts", int(n));
    for (size_t i = 0; i < n; ++i) ok = WriteText("Host" + std::to_string(i), list.hosts[i]) && ok;
    return WriteNumber("MultiInst", list.multiInst ? 1 : 0) && ok;
}

int ConnTypeCodeToPosition(int code) {
    switch (code) {
        case 2:
            return 1;
        case 1:
            return 2;
        case 3:
            return 3;
        default:
            return 0;
    }
}

int ConnTypePositionToCode(int position) {
    switch (position) {
        case 1:
            return 2;
        case 2:
            return 1;
        case 3:
            return 3;
        default:
            return 0;
    }
}

const char* ConnTypeName(int position) {
    static const char* names[] = {"ActiveSync (USB/LAN)", "ActiveSync (Serial)", "TCP/IP (LAN)",
                                  "TCP/IP (WAN)"};
    return position >= 0 && position < 4 ? names[position] : names[0];
}

bool IsTcpPosition(int position) {
    return position == 2 || position == 3;
}

const char* KeyboardName(int code) {
    static const char* names[] = {"English", "French",    "Spanish(Latin American)", "German",
                                  "Swiss",   "Brazilian", "Spanish(International)",  "English(UK)"};
    return code >= 0 && code < 8 ? names[code] : names[0];
}

int KeyboardCodeToSorted(int code) {
    static const int table[] = {1, 3, 6, 4, 7, 0, 5, 2};
    return code >= 0 && code < 8 ? table[code] : 1;
}

int KeyboardSortedToCode(int position) {
    static const int table[] = {5, 0, 7, 1, 3, 6, 2, 4};
    return position >= 0 && position < 8 ? table[position] : 0;
}

}  // namespace hd::desktop
