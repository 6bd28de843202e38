#include "store/fieldvalue.h"

#include "store/statements.h"

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

std::optional<qint64> FieldValue::integer(const QVariant& value)
{
    if (value.isNull())
        return std::nullopt;
    const QVariant v = normalized(value);
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
        return v.toLongLong();
    case QMetaType::QString: {
        const QString text = v.toString();
        const auto number = Statements::integer(text);
        if (number && QString::number(*number) == text)
            return number;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<qint64> FieldValue::code(const QVariant& value)
{
    const auto n = integer(value);
    return n && *n > 0 ? n : std::nullopt;
}

std::optional<qint64> FieldValue::parent(const QVariant& value)
{
    const auto n = integer(value);
    return n && *n >= 0 ? n : std::nullopt;
}

bool FieldValue::isFolder(const QVariant& tel)
{
    return integer(tel) == 0;
}

std::optional<qint64> FieldValue::number(const QVariant& tel)
{
    return code(tel);
}

} // namespace store
