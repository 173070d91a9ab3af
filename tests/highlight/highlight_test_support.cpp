#include "highlight_test_support.h"

using namespace Qt::StringLiterals;

namespace bp::test {

QString kindName(TtkTokenKind kind)
{
    switch (kind) {
    case TtkTokenKind::tkComment:
        return u"tkComment"_s;
    case TtkTokenKind::tkControls:
        return u"tkControls"_s;
    case TtkTokenKind::tkIdentifier:
        return u"tkIdentifier"_s;
    case TtkTokenKind::tkKey:
        return u"tkKey"_s;
    case TtkTokenKind::tkMain:
        return u"tkMain"_s;
    case TtkTokenKind::tkNull:
        return u"tkNull"_s;
    case TtkTokenKind::tkReserved:
        return u"tkReserved"_s;
    case TtkTokenKind::tkSpace:
        return u"tkSpace"_s;
    case TtkTokenKind::tkString:
        return u"tkString"_s;
    case TtkTokenKind::tkUnknown:
        return u"tkUnknown"_s;
    }
    return u"tk?"_s;
}

QString rangeName(TRange range)
{
    switch (range) {
    case 0:
        return u"rsUnknown"_s;
    case 1:
        return u"rsComment"_s;
    case 2:
        return u"rsString"_s;
    default:
        return QString::number(range);
    }
}

QString tokenPicture(int start, TtkTokenKind kind, QStringView text)
{
    return QString::number(start) + u':' + kindName(kind) + u':' + text;
}

LineScan scanLine(TQPILEHighlighter &highlighter, const QString &line, TRange startRange)
{
    highlighter.SetRange(startRange);
    highlighter.SetLine(line, 0);
    LineScan scan;
    while (!highlighter.GetEol()) {
        scan.tokens << tokenPicture(highlighter.GetTokenPos(), highlighter.TokenID(),
                                    highlighter.GetToken());
        highlighter.Next();
    }
    scan.endRange = highlighter.GetRange();
    return scan;
}

CountingLineSource::CountingLineSource(const QStringList &lines)
    : m_lines(lines), m_ranges(std::size_t(lines.size()), kUnscannedRange)
{}

QStringView CountingLineSource::lineText(int index) const
{
    ++m_textReads;
    m_linesRead << index;
    return m_lines.at(index);
}

TRange CountingLineSource::lineRange(int index) const
{
    if (index < 0 || index >= lineCount())
        return 0;
    return m_ranges[std::size_t(index)];
}

void CountingLineSource::setLineRange(int index, TRange range)
{
    m_ranges.at(std::size_t(index)) = range;
}

void CountingLineSource::insertLines(int index, const QStringList &lines, TRange range)
{
    for (int i = 0; i < lines.size(); ++i) {
        m_lines.insert(index + i, lines.at(i));
        m_ranges.insert(m_ranges.begin() + index + i, range);
    }
}

void CountingLineSource::deleteLines(int index, int count)
{
    m_lines.remove(index, count);
    m_ranges.erase(m_ranges.begin() + index, m_ranges.begin() + index + count);
}

void CountingLineSource::replaceLine(int index, const QString &text)
{
    m_lines[index] = text;
}

QList<qint64> CountingLineSource::ranges() const
{
    QList<qint64> result;
    for (TRange range : m_ranges)
        result << qint64(range);
    return result;
}

void CountingLineSource::resetCounters()
{
    m_textReads = 0;
    m_linesRead.clear();
}

QList<qint64> fullScanRanges(const QStringList &lines)
{
    TQPILEHighlighter highlighter;
    CountingLineSource source(lines);
    RangeRescanner::scanAll(highlighter, source);
    return source.ranges();
}

} // namespace bp::test
