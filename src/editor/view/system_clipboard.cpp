#include "system_clipboard.h"

#include "common/windows1251.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace bp {

QString blockClipboardMimeType()
{
#ifdef Q_OS_WIN
    // Qt registers this under exactly the format name other programs look for.
    return QStringLiteral("application/x-qt-windows-mime;value=\"Brindlepad Control Block Type\"");
#else
    return QStringLiteral("application/x-brindlepad-block");
#endif
}

QByteArray encodeClipboardBlock(const QString &text, TSelectionMode mode)
{
    QByteArray bytes;
    bytes.append(char(mode == TSelectionMode::smLine     ? 1
                      : mode == TSelectionMode::smColumn ? 2
                                                         : 0));
    bytes.append(windows1251::encode(text));
    bytes.append('\0');
    return bytes;
}

std::optional<ClipboardBlock> decodeClipboardBlock(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return std::nullopt;
    ClipboardBlock block;
    switch (bytes[0]) {
    case 1:
        block.mode = TSelectionMode::smLine;
        break;
    case 2:
        block.mode = TSelectionMode::smColumn;
        break;
    default:
        block.mode = TSelectionMode::smNormal;
        break;
    }
    QByteArrayView text(bytes.constData() + 1, bytes.size() - 1);
    const qsizetype zero = text.indexOf('\0');
    if (zero >= 0)
        text = text.first(zero);
    block.text = windows1251::decode(text);
    return block;
}

std::optional<ClipboardBlock> blockFromMimeData(const QMimeData *mime)
{
    if (!mime)
        return std::nullopt;
    std::optional<ClipboardBlock> block;
    if (mime->hasFormat(blockClipboardMimeType()))
        block = decodeClipboardBlock(mime->data(blockClipboardMimeType()));
    if (mime->hasText()) {
        if (!block)
            block = ClipboardBlock{};
        block->text = mime->text();
    }
    return block;
}

QMimeData *mimeDataForBlock(const QString &text, TSelectionMode mode)
{
    auto *mime = new QMimeData;
    mime->setText(text);
    mime->setData(blockClipboardMimeType(), encodeClipboardBlock(text, mode));
    return mime;
}

void SystemClipboard::setBlock(const QString &text, TSelectionMode mode)
{
    QGuiApplication::clipboard()->setMimeData(mimeDataForBlock(text, mode));
}

std::optional<ClipboardBlock> SystemClipboard::block() const
{
    return blockFromMimeData(QGuiApplication::clipboard()->mimeData());
}

bool SystemClipboard::hasText() const
{
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    return mime && (mime->hasText() || mime->hasFormat(blockClipboardMimeType()));
}

} // namespace bp
