// The program icon (icon 128), drawn from the same shapes as res/pendrak.svg.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace pendrak {

// Drawn at every size and device pixel ratio asked for.
QIcon ProgramIcon();
// The picture drawn on `side` by `side` pixels.
QPixmap ProgramIconPixmap(int side);

}  // namespace pendrak
