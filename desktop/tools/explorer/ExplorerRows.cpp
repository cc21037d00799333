#include "desktop/tools/explorer/ExplorerRows.h"

#include <strings.h>
#include <algorithm>

#include "desktop/tools/transfer/TransferEngine.h"

namespace hd::tools {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return out;
}

int CompareNoCase(const std::string& a, const std::string& b) {
    return ::strcasecmp(a.c_str(), b.c_str());
}

// Negative, zero or positive as a sorts before, with or after b ascending.
int Compare(const ExplorerRow& a, const ExplorerRow& b, int column) {
    if (column == kColumnModified)
        return a.lastWrite < b.lastWrite ? -1 : a.lastWrite > b.lastWrite ? 1 : 0;
    if (a.IsFolder() != b.IsFolder()) return a.IsFolder() ? -1 : 1;
    switch (column) {
        case kColumnSize:
            if (a.IsFolder()) return 0;
            return a.size < b.size ? -1 : a.size > b.size ? 1 : 0;
        case kColumnType:
            return a.IsFolder() ? CompareNoCase(a.name, b.name) : CompareNoCase(a.type, b.type);
        default:
            return CompareNoCase(a.name, b.name);
    }
}

}  // namespace

std::string FileExtension(std::string_view name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return "";
    return std::string(name.substr(dot + 1));
}

std::string TypeName(std::string_view name, bool folder, const TypeLookup& lookup) {
    if (folder) return kFolderType;
    const std::string ext = FileExtension(name);
    if (ext.empty()) return "File";
    if (lookup) {
        std::string known = lookup("." + Lower(ext));
        if (!known.empty()) return known;
    }
    return Upper(ext) + " File";
}

std::vector<ExplorerRow> RowsFromListing(const RecordList& records, const TypeLookup& lookup) {
    std::vector<ExplorerRow> rows;
    rows.reserve(records.Count());
    for (size_t i = 0; i < records.Count(); ++i) {
        const FileRecord r = records.At(i);
        if (r.Attributes() & kAttrSystem) continue;
        ExplorerRow row;
        row.attributes = r.Attributes() & ~kAttrHasSubdirs;
        row.name = r.Name();
        if (row.IsFolder() && (row.name == "." || row.name == "..")) continue;
        row.lastWrite = r.LastWriteTime();
        row.size = r.FileSize();
        row.type = TypeName(row.name, row.IsFolder(), lookup);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string SizeText(const ExplorerRow& row) {
    return row.IsFolder() ? std::string() : std::to_string(row.size);
}

std::string ModifiedText(const ExplorerRow& row) {
    return TransferEngine::FormatTime(row.lastWrite);
}

bool RowLess(const ExplorerRow& a, const ExplorerRow& b, int column) {
    return Compare(a, b, column) < 0;
}

void SortRows(std::vector<ExplorerRow>& rows, int column, bool descending) {
    std::stable_sort(rows.begin(), rows.end(), [&](const ExplorerRow& a, const ExplorerRow& b) {
        return descending ? Compare(b, a, column) < 0 : Compare(a, b, column) < 0;
    });
}

SortToggle SortToggle::FromStored(int column, int asc) {
    SortToggle t;
    t.column = column >= 0 && column < kExplorerColumns ? column : kColumnName;
    t.toggle = asc == 1;
    return t;
}

bool SortToggle::Click(int clicked) {
    const bool descending = toggle;
    column = clicked >= 0 && clicked < kExplorerColumns ? clicked : kColumnName;
    toggle = !toggle;
    return descending;
}

}  // namespace hd::tools
