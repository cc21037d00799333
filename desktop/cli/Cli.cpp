#include "desktop/cli/Cli.h"

#include <cstdio>
#include <memory>

#include "common/Log.h"
#include "desktop/cli/FrameWaiter.h"
#include "desktop/session/DesktopLog.h"

namespace hd::cli {

namespace {

// Messages on standard error; there is only ever one host to choose.
class CliUi : public desktop::SessionUi {
public:
    void ShowMessage(const std::string& text) override { Fail(text); }
    std::optional<std::string> ChooseHost(const std::vector<std::string>& hosts) override {
        return hosts.empty() ? std::nullopt : std::optional(hosts.front());
    }
    void ShowWait(const std::string&) override {}
    void CloseWait() override {}
    void RequestDisconnect() override { lost = true; }
    std::atomic<bool> lost{false};
};

FrameWaiter* g_view = nullptr;

}  // namespace

FrameWaiter& FrameWaiter::Of(Context&) {
    return *g_view;
}

std::string FullUsage() {
    std::string u = Usage();
    for (const Command& c : Commands()) {
        // A synopsis too long for its column puts the summary on a line of its own.
        const std::string synopsis = c.synopsis;
        u += "  " + synopsis;
        u += synopsis.size() <= 22 ? std::string(23 - synopsis.size(), ' ')
                                   : "\n" + std::string(25, ' ');
        u += std::string(c.summary) + "\n";
    }
    u += "\npaths: 1:\\My Documents\\a.txt is on the handheld (\"/\" may stand for \"\\\" "
         "there); any other path is on the desktop\n";
    u += "\nexit codes: 0 done, 1 the operation failed, 2 usage, 3 could not connect\n";
    return u;
}

int Main(int argc, char** argv) {
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::fputs(FullUsage().c_str(), stdout);
        return EXIT_DONE;
    }
    Options o;
    std::string error;
    const Command* command = nullptr;
    if (ParseOptions(argc, argv, o, error)) {
        command = FindCommand(o.command);
        error = command ? command->check(o.args) : "unknown command " + o.command;
    }
    if (!error.empty()) {
        Fail(error);
        std::fputs(FullUsage().c_str(), stderr);
        return EXIT_USAGE;
    }
    if (command->runAlone) return command->runAlone(o.args);

    desktop::DesktopLog logFile;
    log::SetSink(&logFile);
    log::SetEnabled(o.log);
    int code = EXIT_DONE;
    {
        std::unique_ptr<desktop::Settings> store =
            o.settingsFile.empty() ? std::make_unique<desktop::Settings>()
                                   : std::make_unique<desktop::Settings>(o.settingsFile);
        CliSettings settings(*store, o);
        CliUi ui;
        desktop::LinkOptions link;
        link.device = o.device;
        link.root = o.root;
        desktop::Session session(settings, ui, link);
        FrameWaiter view;
        g_view = &view;
        if (!session.Connect(&view)) {
            code = EXIT_NO_CONNECTION;
        } else if (command->needsScreen && !session.Receiver().Running()) {
            Fail("the screen channel could not be opened");
            code = EXIT_NO_CONNECTION;
        } else {
            Context context{o, session, *store, ui.lost};
            code = command->run(context);
        }
        if (session.Connected() || session.Receiver().Running()) session.Disconnect();
        g_view = nullptr;
    }
    log::SetSink(nullptr);
    return code;
}

}  // namespace hd::cli
