// DosConsole: the command interpreter of the Remote DOS Box. It takes the
// line the user entered, runs the command over the handheld ("1:") and the
// desktop drives, writes the console's texts to its sink and returns what
// happened; the box's widget and the terminal share it. User-interface
// thread only; borrows its files, settings store, questions and sink. It
// never stops on a failed request: every failure becomes the command's text.
#pragma once

#include <string>
#include <string_view>

#include "desktop/session/Settings.h"
#include "desktop/tools/dos/DosFiles.h"
#include "desktop/tools/dos/DosSink.h"

namespace hd::tools {

// The answers of the "already exists" question.
enum class OverwriteAnswer { Overwrite, Skip, OverwriteAll };

class DosQuestions {
public:
    virtual ~DosQuestions() = default;
    // text is "Destination file '...' already exists!!"; the buttons are
    // "Overwrite" (the default), "Skip" and "Overwrite All".
    virtual OverwriteAnswer AskOverwrite(const std::string& text) = 0;
};

// What one entered line did.
struct DosDecision {
    std::string commandLine;  // the text after the prompt, trimmed
    std::string word;         // the command word
    std::string argument;
    std::string output;    // everything inserted, prompt included
    bool cleared = false;  // cls emptied the text
    bool close = false;    // exit: close the box; no prompt was printed
    bool failed = false;   // the command printed one of its failure texts
};

class DosConsole {
public:
    // Loads the handheld's remembered directory ("1:\" when none is usable).
    DosConsole(DosFiles& files, desktop::Settings& store, DosQuestions& questions, DosSink& sink);

    // Clears the text, prints the banner and the prompt.
    void Start();
    // The Enter key on the line holding the caret (prompt included), after
    // the edit has inserted its line break: runs the command line behind the
    // prompt, then prints a new prompt unless the command was "exit".
    DosDecision Enter(std::string_view caretLine);
    // Runs one command line (no prompt before it, none printed after it).
    DosDecision Run(std::string_view commandLine);
    void PrintPrompt();

    const std::string& Current() const { return m_current; }
    // A drive's remembered directory, or its root.
    std::string Remembered(char drive);

    static constexpr const char* kBanner = "Orvenna Remote DOS Emulator";

private:
    void Dispatch(const std::string& word, const std::string& argument, const std::string& line);

    // Output primitives.
    void Insert(std::string_view text);
    void PrintLine(std::string_view text);
    void Fail(std::string_view text);  // inserted, and the command counts as failed

    // Commands.
    void Cd(const std::string& argument);
    void Dir(const std::string& argument);
    void Copy(const std::string& argument);
    void Del(const std::string& argument);
    void MkDir(const std::string& argument);
    void RmDir(const std::string& argument);
    void Help();
    void ChangeDrive(char drive);

    void Remember(const std::string& dir);
    std::string Resolve(const std::string& argument);
    // The directory the pattern's first matching folder names; "" for none.
    std::string FirstFolder(const std::string& pattern);

    DosFiles& m_files;
    desktop::Settings& m_store;
    DosQuestions& m_questions;
    DosSink& m_sink;
    std::string m_current;
    DosDecision* m_step = nullptr;  // the decision being filled
};

}  // namespace hd::tools
