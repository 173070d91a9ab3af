#include "common/clipboard_block.h"

#include "common/windows1251.h"

namespace bp::clipboardblock {

QByteArray encode(QStringView text, Mode mode)
{
    // One buffer: the text is encoded straight into its place after the mode byte.
    QByteArray bytes(text.size() + 2, Qt::Uninitialized);
    bytes[0] = char(mode);
    windows1251::encodeTo(text, bytes.data() + 1);
    bytes[bytes.size() - 1] = '\0';
    return bytes;
}

std::optional<Content> decode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return std::nullopt;
    Content content;
    switch (quint8(bytes[0])) {
    case quint8(Mode::Line):
        content.mode = Mode::Line;
        break;
    case quint8(Mode::Column):
        content.mode = Mode::Column;
        break;
    default:
        content.mode = Mode::Normal;
        break;
    }
    QByteArrayView text = bytes.sliced(1);
    const qsizetype zero = text.indexOf('\0');
    if (zero >= 0)
        text = text.first(zero);
    content.text = windows1251::decode(text);
    return content;
}

} // namespace bp::clipboardblock
