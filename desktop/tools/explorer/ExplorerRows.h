// The explorer's file list as plain rows: which entries of a listing become
// rows (no system entries, no "." or ".."), their type names, the texts of
// their columns and the order of every column in both directions. Pure
// functions over values, any thread; the type lookup is the caller's.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/tools/files/Records.h"

namespace hd::tools {

enum ExplorerColumn : int { kColumnName = 0, kColumnSize, kColumnType, kColumnModified };
constexpr int kExplorerColumns = 4;

inline constexpr const char* kFolderType = "File Folder";

struct ExplorerRow {
    uint32_t attributes = 0;
    uint64_t lastWrite = 0;  // FILETIME
    uint64_t size = 0;
    std::string name;
    std::string type;
    bool IsFolder() const { return (attributes & kAttrDirectory) != 0; }
};

// The desktop's name for a lower-case extension with its dot (".txt"); empty
// when it has none.
using TypeLookup = std::function<std::string(const std::string& extension)>;

// The text after the last dot, unless that dot is the name's first character
// (".profile" has none); empty when there is none.
std::string FileExtension(std::string_view name);
// "File Folder" for a folder; else the looked-up name, "TXT File" for an
// extension the desktop does not know, "File" without an extension.
std::string TypeName(std::string_view name, bool folder, const TypeLookup& lookup);
// The rows of a listing of either machine, in the listed order.
std::vector<ExplorerRow> RowsFromListing(const RecordList& records, const TypeLookup& lookup);

// Column texts: the size is empty for a folder.
std::string SizeText(const ExplorerRow& row);
std::string ModifiedText(const ExplorerRow& row);

// Ascending order by column: folders before files on Name, Size and Type
// (folders among themselves by name on Type, equal on Size); Modified mixes
// them. Descending is the exact reverse.
bool RowLess(const ExplorerRow& a, const ExplorerRow& b, int column);
void SortRows(std::vector<ExplorerRow>& rows, int column, bool descending);

// The header's one direction toggle for all columns: a click sorts
// descending when it is set, then flips it. Column and toggle are what the
// settings keep (SortCol, SortAsc).
struct SortToggle {
    int column = kColumnName;
    bool toggle = false;
    // Stored values outside their ranges read as 0.
    static SortToggle FromStored(int column, int asc);
    // The direction of this click's sort (true: descending).
    bool Click(int clicked);
};

}  // namespace hd::tools
