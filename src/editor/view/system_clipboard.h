#pragma once

#include "editor/model/text_clipboard.h"

#include <QString>

class QMimeData;

namespace bp {

// The private clipboard format that carries the selection mode with the text.
QString blockClipboardMimeType();

// Encodes and decodes the private format: one byte for the mode (0 normal, 1 line,
// 2 column), the text in Windows-1251, a terminating zero.
QByteArray encodeClipboardBlock(const QString &text, TSelectionMode mode);
std::optional<ClipboardBlock> decodeClipboardBlock(const QByteArray &bytes);

// Reads a clipboard block from mime data: Unicode text when offered, the mode from the
// private format when present.
std::optional<ClipboardBlock> blockFromMimeData(const QMimeData *mime);
QMimeData *mimeDataForBlock(const QString &text, TSelectionMode mode);

// The system clipboard behind the edit model's clipboard seam.
class SystemClipboard : public TextClipboard
{
public:
    void setBlock(const QString &text, TSelectionMode mode) override;
    std::optional<ClipboardBlock> block() const override;
    bool hasText() const override;
};

} // namespace bp
