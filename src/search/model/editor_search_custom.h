#pragma once

#include "search_options.h"

#include <QString>
#include <QStringView>

namespace bp {

// What the editor's search needs from a search engine: the occurrences of one pattern
// in one line at a time. Columns are 1-based.
class TEditorSearchCustom
{
public:
    virtual ~TEditorSearchCustom() = default;

    virtual QString Pattern() const = 0;
    virtual void SetPattern(const QString &pattern) = 0;
    virtual void SetOptions(TSearchOptions options) = 0;
    // Finds every occurrence in `line`; returns how many there are.
    virtual int FindAll(QStringView line) = 0;
    // Start column and length of occurrence `index` of the last FindAll.
    virtual int Results(int index) const = 0;
    virtual int Lengths(int index) const = 0;
    virtual int ResultCount() const = 0;
    // The text to put in place of `found`.
    virtual QString Replace(const QString &found, const QString &replacement) const = 0;
};

} // namespace bp
