// DriveMap: the desktop drives of the DOS console. Desktop paths are native
// POSIX paths, so the console's drive letters name mount points: C: is the
// root folder "/", and D: onwards name the other mounted volumes. Built once
// per console on its thread; a plain value afterwards. It never maps A:, B:
// or Z:, and never turns a path on an unmapped letter into a native one.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace hd::tools {

class DriveMap {
public:
    // C: alone.
    DriveMap();
    // C: and the volumes mounted now: QStorageInfo lists them in the order
    // of /proc/self/mountinfo, that is mount order; the ready ones other than
    // "/" that are not pseudo file systems take D:, E:, ... in that order, a
    // mount point seen twice keeping its first letter. A volume thus keeps its
    // letter while the volumes mounted before it stay.
    static DriveMap FromSystem();

    // Maps a letter (either case) to a folder; false for A, B, Z or a non-letter.
    bool Map(char letter, std::string folder);
    // The folder of a letter, "" when unmapped.
    std::string Folder(char letter) const;
    // "C:\tmp\a" -> "/tmp/a", "D:\x\" -> "<D's folder>/x/"; a handheld path
    // ("1:...") is returned as it is. False for an unmapped or missing drive.
    bool ToNative(std::string_view consolePath, std::string& native) const;

private:
    static int Index(char letter);  // -1 outside C..Y
    std::array<std::string, 26> m_folders;
};

}  // namespace hd::tools
