// Wildcard patterns of a file search, matched as Windows matches them: '*'
// any run of characters, '?' one character, and the DOS forms the search
// derives from them, so "*.*" matches every name (with or without a dot),
// "*." names without a dot and "name.*" also "name". Letter case is ignored.
// Pure functions.
#pragma once

#include <string_view>

namespace hd::platform {

bool WildcardMatch(std::u32string_view pattern, std::u32string_view name);

}  // namespace hd::platform
