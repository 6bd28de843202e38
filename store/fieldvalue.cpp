#include "store/fieldvalue.h"

#include <QLocale>

#include <cmath>

namespace store {

QVariant FieldValue::normalized(const QVariant& value)
{
    if (value.typeId() != QMetaType::Double)
        return value;
    const double real = value.toDouble();
    // 2^63 is exact as a double; every whole double below it fits a qint64.
    constexpr double limit = 9223372036854775808.0;
    if (std::trunc(real) == real && real >= -limit && real < limit)
        return QVariant(qint64(real));
    return value;
}

QString FieldValue::text(const QVariant& value)
{
    if (value.typeId() != QMetaType::Double)
        return value.toString();
    const QVariant v = normalized(value);
    if (v.typeId() == QMetaType::Double && std::isfinite(v.toDouble()))
        return QString::number(v.toDouble(), 'f', QLocale::FloatingPointShortest);
    return v.toString();
}

} // namespace store
