// The desktop's requests against arbitrary handheld replies: the manager's
// task, thread, module and system-information lists with their framing,
// directory listings (plain and folders-only, with their records read in
// both layouts), file information, clipboard text and file fetches. The
// first byte picks the request, the rest is what the handheld answers. A
// reply may be refused, never read or written past its bounds.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "common/Log.h"
#include "desktop/session/ConnectionManager.h"
#include "desktop/session/DesktopChannel.h"
#include "desktop/tools/files/DesktopClipboard.h"
#include "desktop/tools/files/Records.h"
#include "desktop/tools/files/RemoteFiles.h"
#include "desktop/tools/manager/RemoteModuleList.h"
#include "desktop/tools/manager/RemoteSystemInfo.h"
#include "desktop/tools/manager/RemoteTaskList.h"
#include "desktop/tools/manager/RemoteThreadList.h"
#include "session/SessionFakes.h"

namespace {
struct Quiet : hd::log::Sink {
    void Write(bool, const char*) override {}
};

// Where fetched files land; removed when the run ends.
struct DeskFolder {
    DeskFolder() { std::filesystem::create_directories(path); }
    ~DeskFolder() { std::filesystem::remove_all(path); }
    const std::string path =
        (std::filesystem::temp_directory_path() / ("hd-fuzz-replies-" + std::to_string(::getpid())))
            .string();
};

// Records of either layout straight from bytes, every field read.
void ReadRecords(const uint8_t* data, size_t size, bool device) {
    hd::tools::RecordList list({data, size}, device);
    for (size_t i = 0; i < list.Count(); ++i) {
        const hd::tools::FileRecord r = list.At(i);
        (void)r.Name();
        (void)r.NameUnits();
        (void)(r.FileSize() + r.CreationTime() + r.LastAccessTime() + r.LastWriteTime());
        (void)hd::tools::UnixFromFileTime(r.LastWriteTime());
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Quiet quiet;
    static DeskFolder desk;
    hd::log::SetSink(&quiet);
    if (size < 1) return 0;
    const uint8_t pick = data[0] % 12;
    hd::desktop::test::MemorySettings settings;
    hd::desktop::test::RecordingUi ui;
    hd::desktop::test::FakeRapi rapi;
    hd::test::FakeStream stream;
    stream.AddBytes({data + 1, data + size});
    hd::desktop::ConnectionManager manager(settings, rapi, ui);
    manager.SetEndPauseMs(0);
    hd::desktop::DesktopChannel hc(manager, true);
    hc.SetStream(&stream);
    hd::tools::MemoryClipboard clipboard;
    hd::tools::RecordList records;
    hd::tools::FileRecord record;
    bool flag = false;
    switch (pick) {
        case 0: {
            hd::tools::RemoteTaskList am;
            am.SetConnection(&hc);
            if (am.Pulltsklist()) {
                std::string name;
                for (int i = 0; i < am.Count(); ++i) am.ExeName(i, name);
            }
            break;
        }
        case 1: {
            hd::tools::RemoteTaskList am;
            am.SetConnection(&hc);
            am.GetThrAndModLists(0x1234);
            break;
        }
        case 2: {
            hd::tools::RemoteThreadList tm;
            tm.SetConnection(&hc);
            tm.PullList();
            break;
        }
        case 3: {
            hd::tools::RemoteModuleList mm;
            mm.SetConnection(&hc);
            mm.PullList();
            break;
        }
        case 4: {
            hd::tools::RemoteSystemInfo si;
            si.SetConnection(&hc);
            si.PullData();
            break;
        }
        case 5:
            hd::tools::RemoteFiles::ReadRecs(hc, "1:\\Docs\\*.*", records, false);
            break;
        case 6:
            hd::tools::RemoteFiles::ReadRecs(hc, "1:\\Docs\\*.*", records, true);
            break;
        case 7:
            hd::tools::RemoteFiles::GetFileInfo(hc, "1:\\Docs\\a.txt", flag, record);
            break;
        case 8:
            hd::tools::RemoteFiles::GetClipText(hc, clipboard, flag);
            break;
        case 9:
            hd::tools::RemoteFiles::Device2DeskCopy(hc, "1:\\a.bin", desk.path + "/a.bin");
            break;
        case 10:
            ReadRecords(data + 1, size - 1, true);
            break;
        case 11:
            ReadRecords(data + 1, size - 1, false);
            break;
    }
    for (size_t i = 0; i < records.Count(); ++i) (void)records.At(i).Name();
    hc.SetStream(nullptr);
    return 0;
}
