// Log writers shared by every module. Lines go to one sink per module (the
// agent's and the listener's "hdagent.log", the desktop's "Handrel.log").
// Log() writes only while logging is on; Forced() writes whatever the switch
// says. Safe to call from any thread; the sink opens and closes per line.
#pragma once

#include <cstdarg>
#include <string>

namespace hd::log {

class Sink {
public:
    virtual ~Sink() = default;
    // text is one formatted message; forced tells which writer it belongs to.
    virtual void Write(bool forced, const char* text) = 0;
};

// The sink must outlive its use; nullptr drops every line.
void SetSink(Sink* sink);
void SetEnabled(bool on);
bool Enabled();

void Log(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void Forced(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void VWrite(bool forced, const char* fmt, va_list ap);

// The device log line: local time and text, "%d/%d/%d %d:%d:%d: %s\n", into a
// 252-byte line (longer texts are cut), appended to the file and closed again.
class DeviceLogFile : public Sink {
public:
    explicit DeviceLogFile(std::string path) : m_path(std::move(path)) {}
    void Write(bool forced, const char* text) override;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Formats the device line for the given text at the current local time.
std::string FormatDeviceLine(const char* text);

}  // namespace hd::log
