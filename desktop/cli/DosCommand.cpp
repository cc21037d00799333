// dos: the Remote DOS Box on the terminal. The console core does the work;
// this file only carries lines in from standard input and the console's text
// out to standard output, and asks the overwrite question on the terminal.
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "desktop/cli/Command.h"
#include "desktop/tools/dos/DosConsole.h"
#include "desktop/tools/dos/DriveMap.h"
#include "desktop/tools/dos/RemoteDosFiles.h"

namespace hd::cli {

namespace {

// The console's text on standard output, its "\r\n" as the terminal's "\n".
// The terminal keeps its own scrollback, so nothing is ever dropped.
class TerminalSink : public tools::DosSink {
public:
    void MakeRoom(size_t) override {}
    void Insert(std::string_view text) override {
        for (char c : text)
            if (c != '\r') std::fputc(c, stdout);
        std::fflush(stdout);
    }
    void Clear() override {
        if (::isatty(STDOUT_FILENO)) std::fputs("\033[H\033[2J", stdout);
        std::fflush(stdout);
    }
};

// The question on the terminal; without an answer (end of input) a file is
// skipped, never replaced.
class TerminalQuestions : public tools::DosQuestions {
public:
    tools::OverwriteAnswer AskOverwrite(const std::string& text) override {
        for (;;) {
            std::printf("%s\n(O)verwrite, (S)kip, Overwrite (A)ll? [O] ", text.c_str());
            std::fflush(stdout);
            std::string answer;
            if (!std::getline(std::cin, answer)) {
                std::printf("\n");
                return tools::OverwriteAnswer::Skip;
            }
            const char a = answer.empty() ? 'o' : char(std::tolower(uint8_t(answer[0])));
            if (a == 'o') return tools::OverwriteAnswer::Overwrite;
            if (a == 's') return tools::OverwriteAnswer::Skip;
            if (a == 'a') return tools::OverwriteAnswer::OverwriteAll;
        }
    }
};

std::string CheckDos(const std::vector<std::string>& a) {
    if (a.empty() || (a.size() == 2 && a[0] == "-c")) return "";
    return "dos takes no arguments, or -c LINE";
}

int Dos(Context& c) {
    TerminalSink sink;
    TerminalQuestions questions;
    tools::RemoteDosFiles files(c.session.Command(), tools::DriveMap::FromSystem());
    tools::DosConsole console(files, c.store, questions, sink);

    if (!c.options.args.empty()) {
        const tools::DosDecision d = console.Run(c.options.args[1]);
        return d.failed ? EXIT_FAILED : EXIT_DONE;
    }
    console.Start();
    // Lines piped in are not echoed by a terminal: show them after the
    // prompt, as the box would.
    const bool echo = !::isatty(STDIN_FILENO);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (echo) std::printf("%s\n", line.c_str());
        if (console.Run(line).close) return EXIT_DONE;
        if (c.lost) {
            Fail("the connection to the device was lost");
            return EXIT_FAILED;
        }
        console.PrintPrompt();
    }
    std::printf("\n");
    return EXIT_DONE;
}

}  // namespace

std::vector<Command> DosCommands() {
    return {
        {"dos", "dos [-c LINE]",
         "the Remote DOS Box: handheld drive 1:, desktop drives C: (/) and on; -c runs one line",
         CheckDos, Dos, false},
    };
}

}  // namespace hd::cli
