#pragma once

#include <QString>

namespace bp {

// What the search commands remember between searches for the life of the program;
// never saved.
struct TSearchSettings
{
    QString SearchText;
    bool Backwards = false;
    bool CaseSensitive = false;
    bool WholeWords = false;
    // The dialog's search begins at the caret instead of covering the whole document.
    bool FromCursor = false;
    bool SelectedOnly = false;

    friend bool operator==(const TSearchSettings &, const TSearchSettings &) = default;
};

} // namespace bp
