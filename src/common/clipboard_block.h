#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

namespace bp {

// The editor's private clipboard format as bytes: one byte for the selection mode, the text
// in Windows-1251, a terminating zero.
namespace clipboardblock {

// The mode byte's values; any other byte reads as Normal.
enum class Mode : quint8
{
    Normal = 0,
    Line = 1,
    Column = 2,
};

struct Content
{
    QString text;
    Mode mode = Mode::Normal;
};

// Characters the code page lacks become "?", as in every Windows-1251 text the editor writes.
QByteArray encode(QStringView text, Mode mode);

// Nothing for no bytes. The text ends at the first zero byte, or with the bytes when there is
// none.
std::optional<Content> decode(QByteArrayView bytes);

} // namespace clipboardblock
} // namespace bp
