#pragma once

#include "buffer_coord.h"

#include <QString>
#include <optional>

namespace bp {

// What the editor puts on or takes from the clipboard: text plus, when the private block
// format is present, the selection mode it was copied in.
struct ClipboardBlock
{
    QString text;
    std::optional<TSelectionMode> mode;
};

// The clipboard as the edit model sees it; the widget layer supplies the system one.
class TextClipboard
{
public:
    virtual ~TextClipboard() = default;
    virtual void setBlock(const QString &text, TSelectionMode mode) = 0;
    virtual std::optional<ClipboardBlock> block() const = 0;
    virtual bool hasText() const = 0;
};

} // namespace bp
