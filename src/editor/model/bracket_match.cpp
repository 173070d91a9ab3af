#include "bracket_match.h"

#include "editor_lines.h"

namespace bp {
namespace {

constexpr char16_t kPairs[][2] = {{u'(', u')'}, {u'[', u']'}, {u'{', u'}'}, {u'<', u'>'}};

} // namespace

std::optional<TBufferCoord> findMatchingBracket(const TEditorLines &lines, TBufferCoord at,
                                                const std::function<bool(TBufferCoord)> &skip)
{
    if (at.Line < 1 || at.Line > lines.Count())
        return std::nullopt;
    const QStringView start = lines.view(at.Line - 1);
    if (at.Char < 1 || at.Char > start.size())
        return std::nullopt;
    const char16_t here = start[at.Char - 1].unicode();
    char16_t open = 0, close = 0;
    bool forwards = true;
    for (const auto &pair : kPairs) {
        if (here == pair[0] || here == pair[1]) {
            open = pair[0];
            close = pair[1];
            forwards = here == pair[0];
        }
    }
    if (open == 0)
        return std::nullopt;
    const char16_t same = forwards ? open : close;
    const char16_t partner = forwards ? close : open;
    int depth = 0;
    int line = at.Line;
    int index = at.Char - 1; // 0-based position in `line`
    for (;;) {
        QStringView text = lines.view(line - 1);
        index += forwards ? 1 : -1;
        while (index < 0 || index >= text.size()) {
            line += forwards ? 1 : -1;
            if (line < 1 || line > lines.Count())
                return std::nullopt;
            text = lines.view(line - 1);
            index = forwards ? 0 : int(text.size()) - 1;
        }
        const char16_t ch = text[index].unicode();
        if (ch != same && ch != partner)
            continue;
        const TBufferCoord position{index + 1, line};
        if (skip && skip(position))
            continue;
        if (ch == same) {
            ++depth;
        } else if (depth == 0) {
            return position;
        } else {
            --depth;
        }
    }
}

} // namespace bp
