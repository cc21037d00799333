#include "desktop/tools/dos/DosInputRules.h"

namespace hd::tools {

EditVerdict JudgeEdit(EditKind kind, const EditState& s, size_t count, size_t limit) {
    const bool selection = s.selFrom != s.selTo;
    const bool inInput = s.selFrom >= s.inputStart;
    switch (kind) {
        case EditKind::Insert: {
            const size_t removed = inInput ? s.selTo - s.selFrom : 0;
            if (s.length - removed + count > limit) return EditVerdict::Refuse;
            return inInput ? EditVerdict::Allow : EditVerdict::MoveToEnd;
        }
        case EditKind::Backspace:
            if (selection) return inInput ? EditVerdict::Allow : EditVerdict::Refuse;
            return s.selFrom > s.inputStart ? EditVerdict::Allow : EditVerdict::Refuse;
        case EditKind::Delete:
            return inInput ? EditVerdict::Allow : EditVerdict::Refuse;
    }
    return EditVerdict::Refuse;
}

}  // namespace hd::tools
