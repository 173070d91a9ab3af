#include "system_clipboard.h"

#include "common/clipboard_block.h"

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

namespace {

clipboardblock::Mode modeByte(TSelectionMode mode)
{
    switch (mode) {
    case TSelectionMode::smLine:
        return clipboardblock::Mode::Line;
    case TSelectionMode::smColumn:
        return clipboardblock::Mode::Column;
    case TSelectionMode::smNormal:
        break;
    }
    return clipboardblock::Mode::Normal;
}

TSelectionMode selectionMode(clipboardblock::Mode mode)
{
    switch (mode) {
    case clipboardblock::Mode::Line:
        return TSelectionMode::smLine;
    case clipboardblock::Mode::Column:
        return TSelectionMode::smColumn;
    case clipboardblock::Mode::Normal:
        break;
    }
    return TSelectionMode::smNormal;
}

} // namespace

std::optional<ClipboardBlock> blockFromMimeData(const QMimeData *mime)
{
    if (!mime)
        return std::nullopt;
    std::optional<ClipboardBlock> block;
    if (mime->hasFormat(blockClipboardMimeType())) {
        if (const auto content = clipboardblock::decode(mime->data(blockClipboardMimeType())))
            block = ClipboardBlock{content->text, selectionMode(content->mode)};
    }
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
    mime->setData(blockClipboardMimeType(), clipboardblock::encode(text, modeByte(mode)));
    return mime;
}

SystemClipboard::SystemClipboard()
{
    m_changed = QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged,
                                 [this] { m_hasText.reset(); });
}

SystemClipboard::~SystemClipboard()
{
    QObject::disconnect(m_changed);
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
    if (!m_hasText) {
        const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
        m_hasText = mime && (mime->hasText() || mime->hasFormat(blockClipboardMimeType()));
    }
    return *m_hasText;
}

} // namespace bp
