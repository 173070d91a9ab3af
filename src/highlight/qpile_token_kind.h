#pragma once

#include <QtGlobal>

namespace bp {

// Token kinds of the QPILE scanner; GetTokenKind returns the ordinal.
enum class TtkTokenKind : quint8
{
    tkComment = 0,
    tkControls = 1,
    tkIdentifier = 2,
    tkKey = 3,
    tkMain = 4,
    tkNull = 5,
    tkReserved = 6,
    tkSpace = 7,
    tkString = 8,
    tkUnknown = 9,
};

// The QPILE scanner's range. rsComment is set and cleared within one comment step, so it is
// never the state at a line end; rsString is left behind by an unterminated string and carried
// on until a later line closes a string or holds a comment.
enum class TRangeState : quint8
{
    rsUnknown = 0,
    rsComment = 1,
    rsString = 2,
};

} // namespace bp
