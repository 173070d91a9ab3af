#pragma once

#include "editor/model/text_clipboard.h"

#include <QString>

class QMimeData;

namespace bp {

// The private clipboard format that carries the selection mode with the text.
QString blockClipboardMimeType();

// Reads a clipboard block from mime data: Unicode text when offered, the mode (and the text
// when no Unicode text is offered) from the private format when present.
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
