// The transfer list: the entries (attributes and name) of one source folder
// and the operation to do on them. The explorer keeps one for its lifetime as
// the clipboard of Cut, Copy and Paste; the engine builds one per folder it
// recurses into. A plain value, used on the user-interface thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hd::tools {

struct TransferEntry {
    uint32_t attributes = 0;  // 0x10 marks a folder
    std::string name;         // without its folder
    uint64_t size = 0;        // a file's bytes, for progress only
};

struct TransferList {
    enum Operation : int { Copy = 0, Move = 1, Delete = 2 };

    std::vector<TransferEntry> entries;
    std::string sourceFolder;  // with its location ("1:\..." or a desktop path)
    Operation operation = Copy;
};

}  // namespace hd::tools
