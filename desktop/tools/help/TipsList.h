// TipsList: the program's own tips, shown one at a time in the tips window at
// start. The stored `Tip` value is the index of the next tip to show (-1:
// tips switched off); any other index is taken modulo the count, so a list
// that grew or shrank between versions still shows a tip. Pure functions,
// any thread.
#pragma once

#include <string>
#include <vector>

namespace hd::tools {

const std::vector<std::string>& Tips();
// The tip a stored index names (negative or past the end wraps into range).
int TipIndex(int stored);
// The index after one.
int NextTip(int index);

}  // namespace hd::tools
