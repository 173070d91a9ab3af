#pragma once

#include "editor/model/editor_lines.h"
#include "structure_check.h"

#include <limits>
#include <vector>

namespace bp {

// The structure check of a line list kept current across edits, a bounded number of lines
// at a time. It listens to the lines: an edit marks the lines from the first changed one as
// due and shifts what it holds about the lines after it. Running re-checks from the stored
// state before the first due line and stops at the first stored state after the edited
// lines that the new pass reproduces: from there on the stored findings still hold.
//
// The states are kept every few hundred lines, so a million-line document costs a few
// thousand of them.
class QpileIncrementalCheck : private TEditorLinesListener
{
public:
    QpileIncrementalCheck(const QpileReference &reference, TEditorLines &lines);
    ~QpileIncrementalCheck() override;
    QpileIncrementalCheck(const QpileIncrementalCheck &) = delete;
    QpileIncrementalCheck &operator=(const QpileIncrementalCheck &) = delete;

    // Whether lines are due for checking.
    bool pending() const { return m_dueFrom != kNone; }
    // Checks at most `budget` lines (at least one); returns whether the check is complete.
    bool run(int budget);
    // Runs until the check is complete.
    void runAll()
    {
        while (!run(kNone)) {
        }
    }
    // The findings in text order, as a whole check gives them; only current when nothing is
    // pending.
    const std::vector<QpileProblem> &problems();
    // Lines checked by the runs since the last edit, for tests and benchmarks.
    int linesChecked() const { return m_linesChecked; }
    // The folder files named by INCLUDE are looked for in (the script's own); empty for a
    // script not saved yet.
    void setScriptFolder(const QString &folder);
    // The lines (0-based) of the script's FUNC headers; current when nothing is pending.
    std::vector<int> functionLines() const;

    static constexpr int kCheckpointSpacing = 256;

private:
    static constexpr int kNone = std::numeric_limits<int>::max();

    // A finding with the 0-based line whose check made it.
    struct Finding
    {
        int producer = 0;
        QpileProblem problem;
    };

    void linesInserted(int index, int count) override;
    void linesDeleted(int index, int count) override;
    void linesChanged(int index, int count) override;
    void linesCleared() override;

    // Lines [index, index + removed) became [index, index + inserted).
    void replaced(int index, int removed, int inserted);
    void restart();
    // Stores the re-checked lines [from, to): their states and findings replace the stored
    // ones.
    void commit(int from, int to, std::vector<QpileCheckState> &states,
                std::vector<Finding> &findings, std::vector<QpileNameUse> &uses);
    // Where a pass may stop after lines [index, end) became [index, index + inserted).
    void setStopFrom(int index, int end, int inserted, int delta);
    // Takes the name uses of lines [from, to) (0-based) out of the counts and the checksum;
    // returns the first of them.
    std::vector<QpileNameUse>::iterator forgetUses(int from, int to);
    // Forgets the name uses of lines [from, to) (0-based).
    std::vector<QpileNameUse>::iterator eraseUses(int from, int to);

    QpileStructureChecker m_checker;
    QpileNameCheck m_nameCheck;
    TEditorLines &m_lines;
    // The name uses of every line, in line order, and a checksum of them all.
    std::vector<QpileNameUse> m_uses;
    quint64 m_usesSum = 0;
    // The findings about names, with the checksum of the uses they were made from.
    std::vector<QpileProblem> m_nameProblems;
    quint64 m_nameProblemsSum = 0;
    bool m_nameProblemsCurrent = false;
    // States before lines, in line order; the first is the state before line 0.
    std::vector<QpileCheckState> m_states;
    // Findings in the order of the lines that made them.
    std::vector<Finding> m_findings;
    // The state after the last line.
    QpileCheckState m_end;
    // Lines from m_dueFrom on need checking; a state stored at or after m_stopFrom may end
    // the pass.
    int m_dueFrom = 0;
    int m_stopFrom = kNone;
    int m_linesChecked = 0;
    // Marks the open blocks and calls one line shift has moved.
    quint32 m_shiftStamp = 0;
    std::vector<QpileProblem> m_sorted;
    bool m_sortedCurrent = false;
};

} // namespace bp
