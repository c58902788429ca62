#include "setpoint.h"

#include <cmath>

namespace setpoint {

quint16 unitsFromValue(double value, double limit, const Scale &scale)
{
    if (!(value > 0)) // also not a number
        return 0;
    if (value > limit)
        value = limit;
    const double units = std::round(value * scale.unitsPerWhole);
    return units > 65535 ? quint16(65535) : quint16(units);
}

quint16 unitsFromText(const QString &text, double limit, const Scale &scale)
{
    return unitsFromValue(text.toDouble(), limit, scale);
}

QString textFromUnits(int units, const Scale &scale)
{
    return QString::asprintf("%0*d.%0*d", scale.wholeDigits, units / scale.unitsPerWhole,
                             scale.fractionDigits, units % scale.unitsPerWhole);
}

} // namespace setpoint
