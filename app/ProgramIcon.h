// The program icon (icon 128), drawn from the same shapes as res/pendrak.svg.
#pragma once

#include <QIcon>

namespace pendrak {

QIcon ProgramIcon();

}  // namespace pendrak
