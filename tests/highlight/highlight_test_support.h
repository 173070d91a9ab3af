#pragma once

#include "highlight/qpile_highlighter.h"
#include "highlight/range_rescanner.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace bp::test {

QString kindName(TtkTokenKind kind);
QString rangeName(TRange range);

// One token as "start:kind:text", e.g. "4:tkComment:'total".
QString tokenPicture(int start, TtkTokenKind kind, QStringView text);

struct LineScan
{
    QStringList tokens;
    TRange endRange = 0;
};

// Scans one line by the protocol: start state, SetLine, token loop, end state.
LineScan scanLine(TQPILEHighlighter &highlighter, const QString &line, TRange startRange);

// A line list with stored ranges that counts how often the rescans read a line's text.
class CountingLineSource : public HighlightLineSource
{
public:
    explicit CountingLineSource(const QStringList &lines = {});

    int lineCount() const override { return int(m_lines.size()); }
    QStringView lineText(int index) const override;
    TRange lineRange(int index) const override;
    void setLineRange(int index, TRange range) override;

    void insertLines(int index, const QStringList &lines, TRange range = kUnscannedRange);
    void deleteLines(int index, int count);
    void replaceLine(int index, const QString &text);

    const QStringList &lines() const { return m_lines; }
    QList<qint64> ranges() const;
    int textReads() const { return m_textReads; }
    QList<int> linesRead() const { return m_linesRead; }
    void resetCounters();

private:
    QStringList m_lines;
    std::vector<TRange> m_ranges;
    mutable int m_textReads = 0;
    mutable QList<int> m_linesRead;
};

// The ranges a fresh full scan of lines stores.
QList<qint64> fullScanRanges(const QStringList &lines);

} // namespace bp::test
