#pragma once

#include "editor/model/buffer_coord.h"
#include "place_list.h"
#include "qpile/structure_check.h"

#include <functional>
#include <vector>

namespace bp {

// The "Проверка" tab: the check's findings, a row each (line, column, message), hints drawn
// more quietly than errors. A long message wraps in its row at the panel's width; the row's
// tool tip and, while the row is current, the hint panel show it whole.
class ProblemList : public PlaceList
{
public:
    ProblemList(TCustomEditorPane &pane, std::function<void(const QString &)> showHint);

    // Shows `problems`, rebuilding the rows only when they differ from those shown.
    void showProblems(const std::vector<QpileProblem> &problems);
    const std::vector<QpileProblem> &problems() const { return m_shown; }
    // Messages of the findings covering `position`, one a line; empty when none.
    QString problemTextAt(TBufferCoord position) const;

    // The list shows this many findings at most; the count in the hint panel is the whole.
    static constexpr int kListed = 5000;

private:
    std::function<void(const QString &)> m_showHint;
    std::vector<QpileProblem> m_shown;
};

} // namespace bp
