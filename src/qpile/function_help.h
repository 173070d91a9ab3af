#pragma once

#include "editor/model/buffer_coord.h"
#include "qpile_reference.h"

#include <optional>

namespace bp {

class TEditorLines;
class TQPILEHighlighter;

// The texts of the QPILE function tips, as rich text (a small HTML subset that Qt's text
// documents show). Texts from the reference are escaped; code is set in <code>.

// "MAP GET_PARAM_EX (STRING classcode, STRING seccode, STRING param_name)", built from the
// parameter list so that parameter `argument` (0-based; -1 for none) can be set in bold.
// Optional parameters stand in brackets; a procedure has no result type in front.
QString signatureHtml(const QpileFunction &function, int argument = -1);
// The result type as the tips show it: "DOUBLE", or "<i>DOUBLE?</i>" when the reference says
// it was inferred; empty for a procedure.
QString resultTypeHtml(const QpileFunction &function);

// The tip shown while the caret is in a call's argument `argument`: the signature with that
// argument in bold, the argument's note and allowed values, and the keys of a returned MAP.
QString signatureTipHtml(const QpileFunction &function, int argument);

// The function's help: signature (each documented form), summary, result with its keys,
// the traps, doubts about the entry and the example.
QString functionHelpHtml(const QpileFunction &function);

// A function name of the reference found in the text.
struct QpileNameAt
{
    const QpileFunction *function = nullptr;
    // The name's first character and length.
    TBufferCoord start;
    int length = 0;
};

// The name of a known function at `position`: the word holding the character there or,
// with `orBefore`, the word just before it (a caret right after the name). Words inside
// strings and comments are not names. Uses `highlighter` to tokenise the line.
std::optional<QpileNameAt> findFunctionNameAt(const QpileReference &reference,
                                              const TEditorLines &lines, TBufferCoord position,
                                              TQPILEHighlighter &highlighter, bool orBefore);

// The function a library tree node names: the word before its "(" ("GET_ITEM" in
// "GET_ITEM (STRING TableName,DOUBLE Index)"); null for an unknown name.
const QpileFunction *functionOfLibraryNode(const QpileReference &reference,
                                           const QString &nodeText);

} // namespace bp
