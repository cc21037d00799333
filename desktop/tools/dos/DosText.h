// DosText: the text of the Remote DOS Box as its edit control holds it,
// bounded at 50000 characters: output makes room by dropping the oldest text
// (the first n characters once the text and n exceed 49999), typing stops at
// the limit. The window renders it; tests read transcripts from it. Owned by
// its user, one thread; it never holds more than kLimit characters.
#pragma once

#include <string>

#include "desktop/tools/dos/DosSink.h"

namespace hd::tools {

class DosText : public DosSink {
public:
    static constexpr size_t kLimit = 50000;

    void MakeRoom(size_t n) override;
    void Insert(std::string_view text) override;
    void Clear() override { m_text.clear(); }

    // What the user types at the end; false (nothing added) past the limit.
    bool Type(std::string_view text);
    // The line the caret is on when it sits at the end.
    std::string LastLine() const;
    const std::string& Text() const { return m_text; }

private:
    // Drops at least n characters from the front, never half a UTF-8 character.
    void DropFront(size_t n);

    std::string m_text;
};

}  // namespace hd::tools
