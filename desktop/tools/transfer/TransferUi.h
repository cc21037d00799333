// What the transfer engine asks of its user: the replace question, the error
// question, the wait line naming the entry in work, and a notice for entries
// left out. The explorer answers with dialogs, the terminal with prompts, the
// tests with scripts. Called on the thread running the engine.
#pragma once

#include <string>

namespace hd::tools {

// The texts of the engine's windows.
inline constexpr const char* kReplaceTitle = "Conform File Replace";
inline constexpr const char* kReplaceIntro = "This folder already contains a file named";
inline constexpr const char* kReplaceExisting = "Would you like to replace the existing file ";
inline constexpr const char* kReplaceIncoming = "with this one?";
inline constexpr const char* kErrorQuestion = "An error ocurred, do you want to continue ?";
inline constexpr const char* kWaitPrefix = "Please Wait ...  ";

class TransferUi {
public:
    enum Answer : int { Yes = 0, YesToAll = 1, No = 2, Cancel = 3 };

    virtual ~TransferUi() = default;
    // The replace window: the entry's name, the existing (destination) item's
    // description and the incoming (source) item's, each "N Bytes, modified
    // DD/MM/YYYY HH:MMAM".
    virtual Answer ConfirmReplace(const std::string& name, const std::string& existing,
                                  const std::string& incoming) = 0;
    // The error question (kErrorQuestion, Yes and No); detail is the failed
    // step's cause for a front end that can show it. True to go on.
    virtual bool AskContinue(const std::string& detail) = 0;
    // The wait window's line (kWaitPrefix and the entry's name), and its end.
    virtual void ShowWait(const std::string& text) = 0;
    virtual void CloseWait() = 0;
    // An entry of a handheld listing that was not used: its name could step
    // out of the destination folder.
    virtual void Skipped(const std::string& folder, const std::string& name) = 0;
    // Asked before each entry: true stops the run there (after the file in
    // work), as a Cancel in the replace question does.
    virtual bool Cancelled() { return false; }
    // A file of the run was copied, moved or deleted.
    virtual void FileDone(uint64_t /*bytes*/) {}
};

}  // namespace hd::tools
