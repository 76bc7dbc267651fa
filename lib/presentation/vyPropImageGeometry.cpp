// lib/presentation/vyPropImageGeometry.cpp
#include "vyPropImageGeometry.h"

namespace {
// Half of a free space, rounded down: a picture larger than the control moves up and left by
// the larger half, the same way whatever the sign.
int Half(int space)
{
    return space >= 0 ? space / 2 : -((-space + 1) / 2);
}
} // namespace

TvyImageRect ProportionalImageRect(int pw, int ph, int cw, int ch, bool stretch, bool proportional,
                                   TvyImageAlignment alignment)
{
    int w = pw, h = ph;
    if (stretch || (proportional && (pw > cw || ph > ch))) {
        if (proportional && pw > 0 && ph > 0) {
            const double r = static_cast<double>(pw) / ph;
            if (ph < pw) {
                w = cw;
                h = static_cast<int>(cw / r);
                if (h > ch) {
                    h = ch;
                    w = static_cast<int>(ch * r);
                }
            } else {
                h = ch;
                w = static_cast<int>(ch * r);
                if (w > cw) {
                    w = cw;
                    h = static_cast<int>(cw / r);
                }
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    const int fx = cw - w, fy = ch - h;
    int dx = 0, dy = 0;
    switch (alignment) {
    case TvyImageAlignment::iaCenter: dx = Half(fx); dy = Half(fy); break;
    case TvyImageAlignment::iaLeft: dy = Half(fy); break;
    case TvyImageAlignment::iaTop: dx = Half(fx); break;
    case TvyImageAlignment::iaRight: dx = fx; dy = Half(fy); break;
    case TvyImageAlignment::iaBottom: dx = Half(fx); dy = fy; break;
    case TvyImageAlignment::iaTopLeft: break;
    case TvyImageAlignment::iaTopRight: dx = fx; break;
    case TvyImageAlignment::iaBottomLeft: dy = fy; break;
    case TvyImageAlignment::iaBottomRight: dx = fx; dy = fy; break;
    }
    return TvyImageRect{dx, dy, dx + w, dy + h};
}
