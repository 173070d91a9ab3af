#include "editor_lines.h"

#include "common/error.h"
#include "common/find_first_of.h"
#include "common/large_pages.h"

#include <QStringList>
#include <iterator>

namespace bp {
namespace {

constexpr char16_t kLineSeparator = 0x2028;

bool isBreakStart(char16_t ch)
{
    return ch == u'\r' || ch == u'\n' || ch == kLineSeparator;
}

// The characters [start, start + length) of `buffer` as a string that shares the buffer's
// data block: no copy, and the block lives while any such string does.
QString sharedSlice(const QString &buffer, qsizetype start, qsizetype length)
{
    QString::DataPointer slice = const_cast<QString &>(buffer).data_ptr();
    slice.ptr += start;
    slice.size = length;
    return QString(std::move(slice));
}

// Index of the first character at or after `from` that may start a line break
// (a code up to CR, or the line separator); `size` when there is none.
qsizetype nextBreakCandidate(const char16_t *data, qsizetype from, qsizetype size)
{
    return textscan::findFirstStop<u'\r', kLineSeparator>(data, from, size);
}

// Calls `line(start, length)` for each line of `text` and returns the break style seen.
template <typename LineSink> LineBreakStyle cut(QStringView text, LineSink line)
{
    const char16_t *data = reinterpret_cast<const char16_t *>(text.data());
    const qsizetype size = text.size();
    bool sawCr = false, sawLf = false, sawSeparator = false;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < size) {
        i = nextBreakCandidate(data, i, size);
        if (i == size)
            break;
        if (!isBreakStart(data[i])) {
            ++i;
            continue;
        }
        line(start, i - start);
        if (i < size && data[i] == kLineSeparator) {
            sawSeparator = true;
            ++i;
        }
        if (i < size && data[i] == u'\r') {
            sawCr = true;
            ++i;
        }
        if (i < size && data[i] == u'\n') {
            sawLf = true;
            ++i;
        }
        start = i;
    }
    if (size > 0)
        line(start, size - start);
    // A separator decides the style only in text without CR and LF: one stray U+2028 in a
    // CR LF file must not make the next save write every break as U+2028.
    if (sawSeparator && !sawCr && !sawLf)
        return LineBreakStyle::sffUnicode;
    if (sawCr && !sawLf)
        return LineBreakStyle::sffMac;
    if (sawLf && !sawCr)
        return LineBreakStyle::sffUnix;
    return LineBreakStyle::sffDos;
}

} // namespace

CutLines cutIntoLines(const QString &text)
{
    CutLines result;
    result.style = cut(text, [&](qsizetype start, qsizetype length) {
        result.lines.push_back(text.mid(start, length));
    });
    return result;
}

QString lineBreakOf(LineBreakStyle style)
{
    switch (style) {
    case LineBreakStyle::sffUnix:
        return QStringLiteral("\n");
    case LineBreakStyle::sffMac:
        return QStringLiteral("\r");
    case LineBreakStyle::sffUnicode:
        return QString(QChar(kLineSeparator));
    case LineBreakStyle::sffDos:
        break;
    }
    return QStringLiteral("\r\n");
}

QString TEditorLines::operator[](int index) const
{
    if (index < 0 || index >= Count())
        return {};
    return m_texts[index];
}

QStringView TEditorLines::view(int index) const
{
    if (index < 0 || index >= Count())
        return {};
    return m_texts[index];
}

int TEditorLines::length(int index) const
{
    return index < 0 || index >= Count() ? 0 : int(m_texts[index].size());
}

void TEditorLines::setLine(int index, const QString &text)
{
    if (index < 0 || index > Count())
        qFatal("TEditorLines::setLine: index %d outside 0..%d", index, Count());
    if (index == Count()) {
        Add(text);
        return;
    }
    m_texts[index] = text;
    notify([&](TEditorLinesListener *l) { l->linesChanged(index, 1); });
}

void TEditorLines::Add(const QString &text)
{
    insert(Count(), text);
}

void TEditorLines::insert(int index, const QString &text)
{
    std::vector<QString> lines;
    lines.push_back(text);
    insertLines(index, std::move(lines));
}

void TEditorLines::openGap(int index, int count)
{
    Q_ASSERT(index >= 0 && index <= Count());
    // The line records are made in place: a million restored lines need no second list.
    m_texts.insert(m_texts.begin() + index, std::size_t(count), QString());
    m_ranges.insert(m_ranges.begin() + index, std::size_t(count), kUnscannedRange);
}

void TEditorLines::insertLines(int index, std::vector<QString> lines, std::size_t skip)
{
    Q_ASSERT(index >= 0 && index <= Count() && skip <= lines.size());
    if (lines.size() == skip)
        return;
    const int count = int(lines.size() - skip);
    if (count > Count()) {
        // The list's lines go around the block instead of the block into the list: the
        // skipped places take the lines just before `index`, the rest go in front and behind.
        const auto before = m_texts.begin() + index;
        const std::size_t reused = std::min<std::size_t>(skip, std::size_t(index));
        std::move(before - std::ptrdiff_t(reused), before,
                  lines.begin() + std::ptrdiff_t(skip - reused));
        lines.erase(lines.begin(), lines.begin() + std::ptrdiff_t(skip - reused));
        lines.insert(lines.begin(), std::make_move_iterator(m_texts.begin()),
                     std::make_move_iterator(before - std::ptrdiff_t(reused)));
        lines.insert(lines.end(), std::make_move_iterator(before),
                     std::make_move_iterator(m_texts.end()));
        m_texts.swap(lines);
        m_ranges.insert(m_ranges.begin() + index, std::size_t(count), kUnscannedRange);
    } else {
        openGap(index, count);
        for (int i = 0; i < count; ++i)
            m_texts[index + i] = std::move(lines[skip + std::size_t(i)]);
    }
    notify([&](TEditorLinesListener *l) { l->linesInserted(index, count); });
}

void TEditorLines::insertLines(int index, std::span<const QString> lines)
{
    if (lines.empty())
        return;
    const int count = int(lines.size());
    openGap(index, count);
    for (int i = 0; i < count; ++i)
        m_texts[index + i] = lines[i];
    notify([&](TEditorLinesListener *l) { l->linesInserted(index, count); });
}

void TEditorLines::remove(int index, int count)
{
    Q_ASSERT(index >= 0 && count >= 0 && index + count <= Count());
    if (count == 0)
        return;
    m_texts.erase(m_texts.begin() + index, m_texts.begin() + index + count);
    m_ranges.erase(m_ranges.begin() + index, m_ranges.begin() + index + count);
    notify([&](TEditorLinesListener *l) { l->linesDeleted(index, count); });
}

void TEditorLines::cutOut(int index, int count, const QString *joined, std::vector<QString> &into)
{
    Q_ASSERT(index >= 0 && count >= 0 && index + count <= Count());
    const auto from = m_texts.begin() + index;
    const auto to = from + count;
    if (into.empty() && count > Count() - count) {
        // The list's own storage becomes `into`; only the lines that stay move, into a new
        // list, and `into` then drops their empty places.
        std::vector<QString> kept;
        kept.reserve(std::size_t(Count() - count) + 1 + std::size_t(Count() - count) / 8 + 16);
        std::move(m_texts.begin(), from, std::back_inserter(kept));
        if (joined)
            kept.push_back(*joined);
        std::move(to, m_texts.end(), std::back_inserter(kept));
        into.swap(m_texts);
        m_texts.swap(kept);
        into.resize(std::size_t(index) + std::size_t(count));
        into.erase(into.begin(), into.begin() + index);
    } else {
        into.reserve(into.size() + std::size_t(count));
        std::move(from, to, std::back_inserter(into));
        if (joined && count > 0) {
            *from = *joined;
            m_texts.erase(from + 1, to);
        } else {
            m_texts.erase(from, to);
        }
    }
    const auto ranges = m_ranges.begin() + index;
    if (joined && count > 0)
        m_ranges.erase(ranges + 1, ranges + count);
    else
        m_ranges.erase(ranges, ranges + count);
}

void TEditorLines::takeLines(int index, int count, std::vector<QString> &into)
{
    if (count == 0)
        return;
    cutOut(index, count, nullptr, into);
    notify([&](TEditorLinesListener *l) { l->linesDeleted(index, count); });
}

void TEditorLines::joinLines(int index, int count, const QString &joined,
                             std::vector<QString> &into)
{
    Q_ASSERT(count > 0 && into.empty());
    cutOut(index, count, &joined, into);
    notify([&](TEditorLinesListener *l) { l->linesChanged(index, 1); });
    if (count > 1)
        notify([&](TEditorLinesListener *l) { l->linesDeleted(index + 1, count - 1); });
}

void TEditorLines::exchangeLines(int index, std::vector<QString> &texts)
{
    const int count = int(texts.size());
    Q_ASSERT(index >= 0 && index + count <= Count());
    if (count == 0)
        return;
    for (int i = 0; i < count; ++i)
        m_texts[index + i].swap(texts[i]);
    notify([&](TEditorLinesListener *l) { l->linesChanged(index, count); });
}

void TEditorLines::exchangeLines(std::span<const int> indexes, std::vector<QString> &texts)
{
    Q_ASSERT(indexes.size() == texts.size());
    if (indexes.empty())
        return;
    Q_ASSERT(indexes.front() >= 0 && indexes.back() < Count());
    for (std::size_t i = 0; i < indexes.size(); ++i)
        m_texts[indexes[i]].swap(texts[i]);
    const int first = indexes.front();
    const int count = indexes.back() - first + 1;
    notify([&](TEditorLinesListener *l) { l->linesChanged(first, count); });
}

void TEditorLines::Clear()
{
    if (m_texts.empty())
        return;
    m_texts.clear();
    m_texts.shrink_to_fit();
    m_ranges.clear();
    m_ranges.shrink_to_fit();
    notify([](TEditorLinesListener *l) { l->linesCleared(); });
}

void LineBuffer::reserve(qsizetype characters, std::size_t lines)
{
    if (m_end - m_cursor < characters)
        makeRoom(characters - (m_cursor - m_lineStart));
    m_lines.reserve(lines);
    adviseLargePages(m_lines.data(), m_lines.capacity() * sizeof(QString));
}

void LineBuffer::makeRoom(qsizetype more)
{
    const qsizetype started = m_cursor - m_lineStart;
    // Without a fitting hint the blocks grow, so many short appends still make few blocks.
    const qsizetype size =
        std::max<qsizetype>(started + more, std::max<qsizetype>(4096, m_block.size() * 2));
    QString block(size, Qt::Uninitialized);
    char16_t *start = reinterpret_cast<char16_t *>(block.data());
    adviseLargePages(start, std::size_t(size) * sizeof(char16_t));
    std::copy_n(m_lineStart, started, start);
    m_block = std::move(block);
    m_lineStart = start;
    m_cursor = start + started;
    m_end = start + size;
}

void LineBuffer::endLine()
{
    const qsizetype length = m_cursor - m_lineStart;
    // The block is written only through the cursor, never through the string: the lines that
    // share it see their own characters only, and those no longer change.
    if (length > 0)
        m_lines.push_back(sharedSlice(
            m_block, m_lineStart - reinterpret_cast<const char16_t *>(m_block.constData()),
            length));
    else
        m_lines.emplace_back();
    m_lineStart = m_cursor;
}

void LineBuffer::addLine(QString line)
{
    m_lines.push_back(std::move(line));
}

std::vector<QString> LineBuffer::takeLines()
{
    m_block.clear();
    m_lineStart = m_cursor = m_end = nullptr;
    std::vector<QString> lines;
    lines.swap(m_lines);
    return lines;
}

void TEditorLines::addListener(TEditorLinesListener *listener)
{
    m_listeners.push_back(listener);
}

void TEditorLines::removeListener(TEditorLinesListener *listener)
{
    std::erase(m_listeners, listener);
}

TRange TEditorLines::range(int index) const
{
    return index < 0 || index >= Count() ? 0 : m_ranges[index];
}

void TEditorLines::setRange(int index, TRange range)
{
    if (index >= 0 && index < Count())
        m_ranges[index] = range;
}

void TEditorLines::replaceAll(const QString &text)
{
    // The new list is built completely before the old one goes, so running out of memory
    // part-way leaves the document as it was.
    // Text without a data block of its own (raw or static data) is copied once, so no line
    // points into characters the caller may free.
    const QString buffer =
        text.data_ptr().isMutable() ? text : QString(text.constData(), text.size());
    std::vector<QString> lines;
    const LineBreakStyle style = cut(buffer, [&](qsizetype start, qsizetype length) {
        lines.push_back(length > 0 ? sharedSlice(buffer, start, length) : QString());
    });
    // Room to grow: the first line inserted after loading must not move every line record.
    lines.reserve(lines.size() + lines.size() / 8 + 16);
    std::vector<TRange> ranges;
    ranges.reserve(lines.capacity());
    ranges.resize(lines.size(), kUnscannedRange);

    const bool hadLines = !m_texts.empty();
    m_texts.swap(lines);
    m_ranges.swap(ranges);
    m_breakStyle = style;
    if (hadLines)
        notify([](TEditorLinesListener *l) { l->linesCleared(); });
    if (!m_texts.empty())
        notify([&](TEditorLinesListener *l) { l->linesInserted(0, Count()); });
}

void TEditorLines::LoadFromFile(const QString &path)
{
    DecodedText decoded = readTextFile(path);
    replaceAll(decoded.text);
    m_encoding = decoded.encoding;
}

void TEditorLines::setText(const QString &text)
{
    replaceAll(text);
}

QString TEditorLines::text() const
{
    const QString separator = lineBreakOf(m_breakStyle);
    qsizetype total = 0;
    for (const QString &line : m_texts)
        total += line.size() + separator.size();
    QString result;
    result.reserve(total);
    for (std::size_t i = 0; i < m_texts.size(); ++i) {
        if (i > 0)
            result += separator;
        result += m_texts[i];
    }
    return result;
}

namespace {

// The lines as saving reads them, in place; `lineBreak` must outlive the result.
TextLines linesOf(const TEditorLines &lines, const QString &lineBreak)
{
    return {lines.Count(), [&lines](qsizetype index) { return lines.view(int(index)); }, lineBreak};
}

} // namespace

QByteArray TEditorLines::encodedText() const
{
    const QString lineBreak = lineBreakOf(m_breakStyle);
    QByteArray bytes;
    encodeText(linesOf(*this, lineBreak), m_encoding,
               [&](QByteArrayView piece) { bytes += piece; });
    return bytes;
}

SavePlan TEditorLines::savePlan() const
{
    return planSave(linesOf(*this, lineBreakOf(m_breakStyle)), m_encoding);
}

void TEditorLines::SaveToFile(const QString &path, UnfitText unfit, WrittenFile *written)
{
    const QString lineBreak = lineBreakOf(m_breakStyle);
    const TextLines lines = linesOf(*this, lineBreak);
    TextEncoding encoding = m_encoding;
    // Substitute writes "?" for whatever does not fit, which the encoder does by itself.
    if (unfit != UnfitText::Substitute) {
        const SavePlan plan = planSave(lines, m_encoding);
        if (!plan.fits && unfit == UnfitText::Refuse)
            throw Error(QStringLiteral("Текст содержит символы, которые нельзя записать в "
                                       "кодировке %1; файл \"%2\" не сохранен")
                            .arg(encodingName(m_encoding), path));
        encoding = plan.wider;
    }
    // The lines stream into the file; throws before anything changes, and the old file then
    // stays as it was.
    WrittenFile file;
    writeFileAtomically(
        path, [&](const ByteSink &write) { encodeText(lines, encoding, write); }, file);
    if (written)
        *written = file;
    m_encoding = encoding;
}

} // namespace bp
