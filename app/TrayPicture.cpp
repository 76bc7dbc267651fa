// app/TrayPicture.cpp
#include "TrayPicture.h"

#include <cmath>

TrayBar TrayBarFor(int index, unsigned char figure)
{
    // Six pixels wide with the outline; neighbours share one outline column (5 and 10).
    const int left = index * 5;
    // Whole percentages never give an exact half, so the rounding mode cannot matter;
    // nearbyint keeps the current (to-nearest) mode all the same.
    const long double height = std::nearbyint(static_cast<long double>(figure) * 0.16L);
    return TrayBar{left, left + 6, 16 - static_cast<int>(height)};
}

int ColorForFigure(int figure)
{
    constexpr int lime = 0x00FF00, yellow = 0x00FFFF, red = 0x0000FF;
    if (figure >= 40) return lime;
    if (figure >= 20) return yellow;
    return red;
}
