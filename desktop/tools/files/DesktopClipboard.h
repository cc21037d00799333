// The desktop clipboard as the file client sees it: plain text in and out.
// The window application plugs its toolkit clipboard in; the terminal and the
// tests use MemoryClipboard. Called on the thread that runs the client.
#pragma once

#include <optional>
#include <string>

namespace hd::tools {

class DesktopClipboard {
public:
    virtual ~DesktopClipboard() = default;
    // The clipboard's text as UTF-8; nullopt when it holds no text.
    virtual std::optional<std::string> Text() = 0;
    // Replaces the clipboard's contents with the text; false when refused.
    virtual bool SetText(const std::string& utf8) = 0;
};

// A clipboard held in memory.
class MemoryClipboard : public DesktopClipboard {
public:
    std::optional<std::string> Text() override { return m_text; }
    bool SetText(const std::string& utf8) override {
        m_text = utf8;
        ++m_sets;
        return true;
    }
    void Clear() { m_text.reset(); }
    int Sets() const { return m_sets; }

private:
    std::optional<std::string> m_text;
    int m_sets = 0;
};

}  // namespace hd::tools
