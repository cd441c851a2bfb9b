#include "vennacle/revisions.h"

namespace vennacle {

std::u16string NextRevision(std::u16string_view revision) {
    if (revision.empty()) return u"A";
    std::u16string next(revision);
    if (next.back() >= u'0' && next.back() <= u'9') {
        size_t at = next.size();
        while (at > 0 && next[at - 1] >= u'0' && next[at - 1] <= u'9') {
            if (next[at - 1] != u'9') {
                ++next[at - 1];
                return next;
            }
            next[--at] = u'0';
        }
        next.insert(at, 1, u'1');
        return next;
    }
    size_t at = next.size();
    while (at > 0) {
        char16_t& letter = next[at - 1];
        if (letter >= u'A' && letter < u'Z') {
            ++letter;
            return next;
        }
        if (letter != u'Z') return std::u16string(revision) + u"A";  // not a letter revision: start one after it
        letter = u'A';
        --at;
    }
    next.insert(0, 1, u'A');
    return next;
}

}  // namespace vennacle
