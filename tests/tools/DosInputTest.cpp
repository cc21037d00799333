// The Remote DOS Box's editing rules and its command history.
#include <gtest/gtest.h>

#include "desktop/tools/dos/DosHistory.h"
#include "desktop/tools/dos/DosInputRules.h"
#include "desktop/tools/help/TipsList.h"

namespace hd::tools {
namespace {

struct EditCase {
    const char* what;
    EditKind kind;
    EditState state;  // input from 10 on, in a text of 20
    size_t count;
    EditVerdict verdict;
};

TEST(DosInputRules, OnlyTheCommandLineChanges) {
    using K = EditKind;
    using V = EditVerdict;
    const EditCase cases[] = {
        {"typing in the command line", K::Insert, {10, 20, 15, 15}, 1, V::Allow},
        {"typing right after the prompt", K::Insert, {10, 20, 10, 10}, 1, V::Allow},
        {"typing above the prompt", K::Insert, {10, 20, 3, 3}, 1, V::MoveToEnd},
        {"typing over a selection reaching above", K::Insert, {10, 20, 5, 15}, 1, V::MoveToEnd},
        {"typing at the limit", K::Insert, {10, 50000, 50000, 50000}, 1, V::Refuse},
        {"typing over a selection at the limit", K::Insert, {10, 50000, 20, 22}, 2, V::Allow},
        {"a paste past the limit", K::Insert, {10, 49990, 49990, 49990}, 11, V::Refuse},
        {"backspace in the command line", K::Backspace, {10, 20, 11, 11}, 0, V::Allow},
        {"backspace at the prompt", K::Backspace, {10, 20, 10, 10}, 0, V::Refuse},
        {"backspace above", K::Backspace, {10, 20, 4, 4}, 0, V::Refuse},
        {"backspace on a selection inside", K::Backspace, {10, 20, 10, 14}, 0, V::Allow},
        {"backspace on a selection reaching above", K::Backspace, {10, 20, 9, 14}, 0, V::Refuse},
        {"delete at the prompt", K::Delete, {10, 20, 10, 10}, 0, V::Allow},
        {"delete above", K::Delete, {10, 20, 9, 9}, 0, V::Refuse},
        {"delete all", K::Delete, {10, 20, 0, 20}, 0, V::Refuse},
    };
    for (const EditCase& c : cases)
        EXPECT_EQ(JudgeEdit(c.kind, c.state, c.count), c.verdict) << c.what;
}

TEST(DosHistory, WalksBackAndForthAndKeepsRepeatsOnce) {
    DosHistory h;
    std::string line = "untouched";
    EXPECT_FALSE(h.Older(line));
    EXPECT_FALSE(h.Newer(line));
    EXPECT_EQ(line, "untouched");
    for (const char* l : {"dir", "  ", "cd a", "cd a", " copy x y "}) h.Add(l);
    EXPECT_EQ(h.Size(), 3u);  // the blank line and the repeat are not kept
    ASSERT_TRUE(h.Older(line));
    EXPECT_EQ(line, "copy x y");
    ASSERT_TRUE(h.Older(line));
    ASSERT_TRUE(h.Older(line));
    EXPECT_EQ(line, "dir");
    EXPECT_FALSE(h.Older(line));
    ASSERT_TRUE(h.Newer(line));
    EXPECT_EQ(line, "cd a");
    ASSERT_TRUE(h.Newer(line));
    ASSERT_TRUE(h.Newer(line));
    EXPECT_EQ(line, "");  // past the newest: an empty command line
    EXPECT_FALSE(h.Newer(line));
    // A new line starts the walk again from the newest.
    h.Older(line);
    h.Add("md z");
    ASSERT_TRUE(h.Older(line));
    EXPECT_EQ(line, "md z");

    for (int i = 0; i < 150; ++i) h.Add("line " + std::to_string(i));
    EXPECT_EQ(h.Size(), DosHistory::kMax);
}

TEST(TipsList, StoredIndexesWrapIntoTheList) {
    const int n = int(Tips().size());
    ASSERT_GE(n, 6);
    EXPECT_EQ(TipIndex(0), 0);
    EXPECT_EQ(TipIndex(n), 0);
    EXPECT_EQ(TipIndex(n + 2), 2);
    EXPECT_EQ(TipIndex(-1), n - 1);  // never read as a tip, but never out of range
    EXPECT_EQ(NextTip(n - 1), 0);
}

}  // namespace
}  // namespace hd::tools
