#include "images/ThumbMisc.h"

#include "images/Graphic.h"

#include <cmath>
#include <limits>

static int CheckedInt(long double V)
{
    if (!(V >= std::numeric_limits<int>::min() && V <= std::numeric_limits<int>::max()))
        throw EImageRangeError("Range check error");
    return int(V);
}

int RoundUp(long double X)
{
    const long double t = std::trunc(X);
    if (X == t)
        return CheckedInt(t);
    return CheckedInt(X > 0 ? t + 1 : t - 1);
}

QPoint ScaleToFit(QPoint Size, QPoint Box)
{
    const float px = Size.x() == 0 ? 0.0f : float(Box.x()) / float(Size.x()) * 100.0f;
    const float py = Size.y() == 0 ? 0.0f : float(Box.y()) / float(Size.y()) * 100.0f;
    const float p = px > py ? py : px;
    return QPoint(CheckedInt(std::trunc(float(Size.x()) / 100.0f * p)),
                  CheckedInt(std::trunc(float(Size.y()) / 100.0f * p)));
}
