#pragma once

#include "editor/model/edit_model.h"

#include <QString>
#include <QStringList>

// Editing cases as text pictures: "ab|c" is the caret after b; "a[bc|]d" selects bc with the
// caret at its end, "a[|bc]d" with the caret at its start. Lines are separated by "\n".
// "ab··|" puts the caret in virtual space two columns beyond the end of "ab".
namespace picture {

inline void load(bp::EditModel &model, const QString &picture)
{
    QString text;
    bp::TBufferCoord caret{1, 1}, open{0, 0}, close{0, 0};
    int line = 1, column = 1;
    for (QChar ch : picture) {
        if (ch == u'|') {
            caret = {column, line};
        } else if (ch == u'[') {
            open = {column, line};
        } else if (ch == u']') {
            close = {column, line};
        } else if (ch == u'·') {
            ++column;
        } else {
            text += ch;
            if (ch == u'\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
    }
    // The anchor is the bracket the caret does not stand at.
    const bp::TBufferCoord anchor = caret == open ? close : open;
    model.Lines().Clear();
    model.Lines().setText(text);
    model.Lines().setBreakStyle(bp::LineBreakStyle::sffUnix);
    model.setCaretXY(caret);
    if (anchor.Line != 0 && !(anchor == caret)) {
        model.setBlockBegin(anchor);
        model.setBlockEnd(caret);
    }
}

// The model as a picture: caret always, brackets around a normal selection.
inline QString save(const bp::EditModel &model)
{
    QString result;
    const bp::TBufferCoord caret = model.CaretXY();
    const bool selection = model.SelAvail();
    const bp::TBufferCoord begin = model.BlockBegin(), end = model.BlockEnd();
    const int lines = model.columns().displayLineCount();
    for (int line = 1; line <= lines; ++line) {
        const QString text = model.Lines()[line - 1];
        const int width = std::max<int>(int(text.size()) + 1, caret.Line == line ? caret.Char : 0);
        for (int column = 1; column <= width; ++column) {
            if (selection && begin == bp::TBufferCoord{column, line})
                result += u'[';
            if (caret == bp::TBufferCoord{column, line})
                result += u'|';
            if (selection && end == bp::TBufferCoord{column, line})
                result += u']';
            if (column <= text.size())
                result += text[column - 1];
            else if (column < width)
                result += u'·'; // virtual space before the caret
        }
        if (line < lines)
            result += u'\n';
    }
    return result;
}

} // namespace picture
