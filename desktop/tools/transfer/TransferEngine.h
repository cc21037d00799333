// The transfer engine: carries out Paste and Delete on a transfer list,
// copying, moving or deleting files and folders on either machine through the
// file client, recursing into folders depth first. It asks before replacing,
// asks whether to go on after each failed step, and never rolls back. Runs on
// the caller's thread (the explorer's TransferJob thread, the terminal's
// main thread); borrows the command channel and the questions.
#pragma once

#include <cstdint>
#include <string>

#include "desktop/session/DesktopChannel.h"
#include "desktop/tools/files/Records.h"
#include "desktop/tools/transfer/TransferList.h"
#include "desktop/tools/transfer/TransferUi.h"

namespace hd::tools {

class TransferEngine {
public:
    TransferEngine(desktop::DesktopChannel& hc, TransferUi& ui) : m_channel(hc), m_ui(ui) {}

    // Does the list's operation on every entry into destFolder. False when the
    // user cancelled or answered No to an error question. A delete run empties
    // the list; a copy or move run keeps it, so a second Paste repeats it.
    bool Run(TransferList& list, const std::string& destFolder);
    // Replaces the list's entries with its source folder's contents (hidden
    // and system entries included, "." and ".." left out). A failed listing
    // leaves the list empty. Names that could step out of a folder are
    // reported through Skipped and left out.
    void Fill(TransferList& list);

    // "N Bytes, modified DD/MM/YYYY HH:MMAM" for a record.
    static std::string Describe(const FileRecord& record);
    // A FILETIME as the desktop's local time, "%0.2d/%0.2d/%0.4d %0.2d:%0.2d%s".
    static std::string FormatTime(uint64_t fileTime);

private:
    // Shared by a whole run and all its levels.
    struct RunFlags {
        bool approved = false;  // the current entry may be written
        bool yesToAll = false;  // no more replace questions this run
        bool skip = false;      // the user answered No for the current entry
    };

    bool RunLevel(TransferList& list, const std::string& destFolder, RunFlags& flags);
    // The replace question for one entry; false on Cancel.
    bool Confirm(const std::string& name, const std::string& source, const std::string& destination,
                 RunFlags& flags);
    // A failed step: logs it and asks whether to go on.
    bool AskContinue(const std::string& what);

    desktop::DesktopChannel& m_channel;
    TransferUi& m_ui;
};

}  // namespace hd::tools
