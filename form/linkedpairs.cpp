#include "linkedpairs.h"

#include <QtGlobal>

#include <cmath>
#include <limits>

int sliderPosition(double value, int scale)
{
    // Far beyond any slider's range (or not a number): saturate, the slider clamps.
    if (!(std::fabs(value) <= 1e9))
        return value > 0 ? std::numeric_limits<int>::max() : value < 0 ? std::numeric_limits<int>::min() : 0;
    const qint64 tenThousandths = qRound64(value * 10000.0);
    const qint64 position = tenThousandths * scale / 10000;
    return int(qBound(qint64(std::numeric_limits<int>::min()), position,
                      qint64(std::numeric_limits<int>::max())));
}

double spinBoxValue(int position, int scale)
{
    return position / double(scale);
}
