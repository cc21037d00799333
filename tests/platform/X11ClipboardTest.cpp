// The X11 CLIPBOARD selection as the device clipboard, between two agents'
// clipboards and a plain X client on one Xvfb.
// GoogleTest before Xlib, whose macros (None, Bool) clash with its names.
#include <gtest/gtest.h>

#include "agent/platform/x11/X11Clipboard.h"

#include <X11/Xatom.h>

#include <chrono>
#include <thread>

#include "platform/XvfbServer.h"

namespace hd::platform {
namespace {

std::vector<uint8_t> Le(std::u16string_view s) {
    std::vector<uint8_t> out;
    for (char16_t c : s) {
        out.push_back(uint8_t(c));
        out.push_back(uint8_t(c >> 8));
    }
    return out;
}

// What a plain client gets when it asks the owner for the text as target.
std::string Convert(const std::string& display, const char* target) {
    ::Display* d = XOpenDisplay(display.c_str());
    if (!d) return "no display";
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    const Atom property = XInternAtom(d, "TEST_PROPERTY", False);
    XConvertSelection(d, XInternAtom(d, "CLIPBOARD", False), XInternAtom(d, target, False),
                      property, w, CurrentTime);
    XFlush(d);
    std::string text = "no answer";
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < end) {
        XEvent e;
        if (!XCheckTypedWindowEvent(d, w, SelectionNotify, &e)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        text = "refused";
        Atom type;
        int format;
        unsigned long n, after;
        unsigned char* data = nullptr;
        if (e.xselection.property != None &&
            XGetWindowProperty(d, w, property, 0, 1 << 20, True, AnyPropertyType, &type, &format,
                               &n, &after, &data) == Success &&
            data)
            text.assign(reinterpret_cast<char*>(data), n);
        if (data) XFree(data);
        break;
    }
    XCloseDisplay(d);
    return text;
}

TEST(X11Clipboard, TextGoesBetweenClientsBothWays) {
    if (!test::HaveXvfb()) GTEST_SKIP() << test::kNoXvfb;
    test::XvfbServer server("320x240x24");
    ASSERT_TRUE(server.Started()) << server.Error();
    auto ours = X11Clipboard::Open(server.Display().c_str());
    auto theirs = X11Clipboard::Open(server.Display().c_str());
    ASSERT_TRUE(ours && theirs);

    std::vector<uint8_t> out = {1};
    EXPECT_FALSE(ours->GetUnicodeText(out)) << "nobody holds text yet";
    EXPECT_TRUE(out.empty());

    // Set: the block is handed back whole to the agent, slack and all, and
    // converted for everyone else.
    const std::u16string text = u"Gr\u00fc\u00dfe \u20ac \U0001F600";
    std::vector<uint8_t> block = Le(text + u'\0');
    block.insert(block.end(), {0, 0, 0, 0});
    ASSERT_TRUE(ours->SetUnicodeText(block.data(), block.size()));
    ASSERT_TRUE(ours->GetUnicodeText(out));
    EXPECT_EQ(out, block);
    ASSERT_TRUE(theirs->GetUnicodeText(out));
    EXPECT_EQ(out, Le(text + u'\0'));
    EXPECT_EQ(Convert(server.Display(), "UTF8_STRING"),
              "Gr\xc3\xbc\xc3\x9f"
              "e \xe2\x82\xac \xf0\x9f\x98\x80");
    EXPECT_EQ(Convert(server.Display(), "STRING"),
              "Gr\xfc\xdf"
              "e ? ?");
    EXPECT_EQ(Convert(server.Display(), "image/png"), "refused");

    // Another client takes the clipboard: its text is what the agent reads.
    const std::vector<uint8_t> other = Le(std::u16string(u"line 1\nline 2") + u'\0');
    ASSERT_TRUE(theirs->SetUnicodeText(other.data(), other.size()));
    ASSERT_TRUE(ours->GetUnicodeText(out));
    EXPECT_EQ(out, other);
}

}  // namespace
}  // namespace hd::platform
