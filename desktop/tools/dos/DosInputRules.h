// DosInputRules: what typing may do in the Remote DOS Box. Only the command
// line behind the last prompt can be edited: text above it (earlier output,
// earlier prompts) stays as it is, and typing or pasting with the caret up
// there moves it to the end first, as consoles do. Typing stops at the box's
// 50000-character limit. Positions count characters of the box's text, the
// input starting at inputStart. Pure functions, any thread.
#pragma once

#include <cstddef>

namespace hd::tools {

enum class EditKind {
    Insert,     // typed or pasted text (count characters), replacing any selection
    Backspace,  // the character before the caret, or the selection
    Delete,     // the character after the caret, or the selection (also Cut)
};

enum class EditVerdict {
    Allow,      // as asked
    MoveToEnd,  // drop the selection, put the caret at the end, then insert
    Refuse,     // nothing happens
};

struct EditState {
    size_t inputStart;  // where the command line begins (just after the prompt)
    size_t length;      // the whole text
    size_t selFrom;     // selection, selFrom <= selTo; the caret when equal
    size_t selTo;
};

EditVerdict JudgeEdit(EditKind kind, const EditState& s, size_t count = 0, size_t limit = 50000);

}  // namespace hd::tools
