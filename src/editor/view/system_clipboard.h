#pragma once

#include "editor/model/text_clipboard.h"

#include <QMetaObject>
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
//
// Whether it holds text is asked whenever the edit actions' state is refreshed, on every
// key; asking the system costs a round trip to the display server each time. The answer is
// kept until the clipboard says its content changed.
class SystemClipboard : public TextClipboard
{
public:
    SystemClipboard();
    ~SystemClipboard() override;
    void setBlock(const QString &text, TSelectionMode mode) override;
    std::optional<ClipboardBlock> block() const override;
    bool hasText() const override;

private:
    QMetaObject::Connection m_changed;
    mutable std::optional<bool> m_hasText;
};

} // namespace bp
