// FileService (log tag "DM"), the file and clipboard service: for codes 100-112 it reads the
// request from the command channel, does one file or clipboard operation and writes the reply.
// HdInvoke thread only; owned by the agent for its lifetime, its raw and packed buffers reused
// between commands. It never answers a request it could not read, and reaches files only through
// the Files backend, which keeps every path inside the device root folder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "agent/CommandHandler.h"
#include "agent/platform/Clipboard.h"
#include "agent/platform/Files.h"
#include "common/Channel.h"
#include "common/GrowBuffer.h"

namespace hd {

class FileService : public CommandHandler {
public:
    // The handheld's path buffer (MAX_PATH) and the fixed path field.
    static constexpr size_t kMaxPath = 260;
    static constexpr uint32_t kPathField = 2 * kMaxPath;
    // HC_SEND_FILE's header: the path field and the size.
    static constexpr uint32_t kSendHeader = kPathField + 4;

    // strictSearch answers as the handheld's own file system does: a search
    // on a path that ends in a backslash, or on the bare root, finds nothing,
    // and the root is no folder to HC_HD_CD. Desktops are tested against it.
    FileService(std::unique_ptr<platform::Files> files,
                std::unique_ptr<platform::Clipboard> clipboard, bool strictSearch = false);

    // False when the request could not be read or the reply not written.
    bool Handle(uint8_t command, Channel& channel) override;

private:
    bool Cd(Channel& channel);
    bool Dir(Channel& channel, bool dirsOnly);
    bool HasChildDirs(Channel& channel);
    bool Del(Channel& channel);
    bool Hd2HdCopy(Channel& channel);
    bool MkDir(Channel& channel);
    bool RmDir(Channel& channel);
    bool SendFile(Channel& channel);
    bool GetFile(Channel& channel);
    bool RenameFile(Channel& channel);
    bool SetClipText(Channel& channel);
    bool GetClipText(Channel& channel);

    bool Find(std::u16string_view pattern,
              const std::function<bool(const platform::FindData&)>& visit);

    // The counted path: a count byte N, then N UTF-16LE units.
    bool GetLen(Channel& channel, std::u16string& path);
    // The subdirectory test: a match that is a folder other than "." and "..".
    bool HasSubdirs(std::u16string_view pattern);
    bool WriteStatus(Channel& channel, bool ok, const char* error);
    // DEL, MKDIR and RMDIR: one fixed path field, one call, the status.
    struct PathOpTexts {
        const char* readError;
        const char* writeError;
        const char* failure;  // "%s" the path, "%d" errno
    };
    bool PathOp(Channel& channel, const PathOpTexts& texts,
                bool (platform::Files::*op)(std::u16string_view));
    void FreeBuffers();

    std::unique_ptr<platform::Files> m_files;
    std::unique_ptr<platform::Clipboard> m_clipboard;
    bool m_strictSearch;
    GrowBuffer m_raw;     // a listing being assembled, a file's image, received text
    GrowBuffer m_packed;  // the packet as it goes on or comes off the channel
};

}  // namespace hd
