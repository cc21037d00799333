#include "agent/platform/Wildcard.h"

#include <vector>

#include "agent/platform/FileNames.h"

namespace hd::platform {

namespace {

// The search turns '?' into DOS_QM, '*' before a '.' into DOS_STAR, and a '.'
// before a wildcard or at the end into DOS_DOT.
enum Kind : uint8_t { Literal, Star, DosStar, DosQm, DosDot };
struct Token {
    Kind kind;
    char32_t c;
};

std::vector<Token> Tokens(std::u32string_view p) {
    std::vector<Token> out;
    for (size_t i = 0; i < p.size(); ++i) {
        const char32_t next = i + 1 < p.size() ? p[i + 1] : 0;
        if (p[i] == U'?')
            out.push_back({DosQm, 0});
        else if (p[i] == U'*')
            out.push_back({next == U'.' ? DosStar : Star, 0});
        else if (p[i] == U'.' && (next == U'*' || next == U'?' || next == 0))
            out.push_back({DosDot, 0});
        else
            out.push_back({Literal, FoldCase(p[i])});
    }
    return out;
}

}  // namespace

bool WildcardMatch(std::u32string_view pattern, std::u32string_view name) {
    const std::vector<Token> tokens = Tokens(pattern);
    const size_t T = tokens.size(), N = name.size();
    const size_t lastDot = name.rfind(U'.');  // npos when there is none
    // ok[t * (N + 1) + n]: tokens from t match the name from n.
    std::vector<char> ok((T + 1) * (N + 1), 0);
    auto at = [&](size_t t, size_t n) -> char& { return ok[t * (N + 1) + n]; };
    at(T, N) = 1;
    for (size_t t = T; t-- > 0;) {
        const Token& tok = tokens[t];
        for (size_t n = N + 1; n-- > 0;) {
            const bool end = n == N;
            bool m = false;
            switch (tok.kind) {
                case Literal:
                    m = !end && FoldCase(name[n]) == tok.c && at(t + 1, n + 1);
                    break;
                case Star:  // here, or one more character and still a star
                    m = at(t + 1, n) || (!end && at(t, n + 1));
                    break;
                case DosStar:  // like a star, but never past the last dot
                    m = at(t + 1, n) ||
                        (!end && (lastDot == std::u32string_view::npos || n != lastDot) &&
                         at(t, n + 1));
                    break;
                case DosQm:  // one character, or nothing at a dot or the end
                    m = (end || name[n] == U'.') ? at(t + 1, n) : at(t + 1, n + 1);
                    break;
                case DosDot:  // a dot, or nothing at the end
                    m = end ? at(t + 1, n) : name[n] == U'.' && at(t + 1, n + 1);
                    break;
            }
            at(t, n) = m;
        }
    }
    return at(0, 0);
}

}  // namespace hd::platform
