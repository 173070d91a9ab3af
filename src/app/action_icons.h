#pragma once

#include <QIcon>

namespace bp {

// The icon of the command image list at `index`; a null icon for an index outside it.
QIcon actionIcon(int index);

} // namespace bp
