#include "parameters/curveset.h"

#include "device/commands.h"
#include "device/deviceidentity.h"
#include "parameters/units.h"

namespace {

constexpr int FahrenheitMin = 200;
constexpr int FahrenheitMax = 600;
constexpr int CelsiusMin = 100;
constexpr int CelsiusMax = 315;
constexpr int TemperatureDefaultOffset = 180;
constexpr int PowerDefaultOffset = 45;

bool validGroup(int group)
{
    return group >= 0 && group < CurveSet::GroupCount;
}

} // namespace

int CurveSet::temperatureMin(TemperatureUnit unit)
{
    return unit == TemperatureUnit::Celsius ? CelsiusMin : FahrenheitMin;
}

int CurveSet::temperatureMax(TemperatureUnit unit)
{
    return unit == TemperatureUnit::Celsius ? CelsiusMax : FahrenheitMax;
}

int CurveSet::temperatureDefault(TemperatureUnit unit)
{
    return temperatureMin(unit) + TemperatureDefaultOffset;
}

int CurveSet::powerDefault() const
{
    return qMin(powerMin + PowerDefaultOffset, powerMax);
}

int CurveSet::toUnit(quint16 fahrenheit, TemperatureUnit unit)
{
    if (unit == TemperatureUnit::Celsius)
        return fahrenheitToCelsius(fahrenheit);
    return fahrenheit;
}

quint16 CurveSet::fromUnit(int value, TemperatureUnit unit)
{
    const int kept = qBound(temperatureMin(unit), value, temperatureMax(unit));
    if (unit == TemperatureUnit::Celsius)
        return celsiusToFahrenheit(quint16(kept));
    return quint16(kept);
}

bool CurveSet::temperatureInRange(int value, TemperatureUnit unit)
{
    return value >= temperatureMin(unit) && value <= temperatureMax(unit);
}

CurveSet::Points CurveSet::temperaturesIn(int group, TemperatureUnit unit) const
{
    Points values{};
    if (!validGroup(group))
        return values;
    for (int point = 0; point < PointCount; ++point)
        values[point] = quint16(toUnit(temperatures[group][point], unit));
    return values;
}

void CurveSet::setTemperaturesIn(int group, const Points &values, TemperatureUnit unit)
{
    if (!validGroup(group))
        return;
    for (int point = 0; point < PointCount; ++point)
        temperatures[group][point] = fromUnit(values[point], unit);
}

void CurveSet::setPowers(int group, const Points &watts)
{
    if (!validGroup(group))
        return;
    for (int point = 0; point < PointCount; ++point)
        powers[group][point] = quint16(qBound(powerMin, int(watts[point]), powerMax));
}

CurveSet CurveSet::defaults(const DeviceModel &model)
{
    CurveSet set;
    set.powerMin = model.powerMin;
    set.powerMax = qMax(model.powerMin, model.powerMax);
    for (Points &group : set.temperatures)
        group.fill(quint16(temperatureDefault(TemperatureUnit::Fahrenheit)));
    for (Points &group : set.powers)
        group.fill(quint16(set.powerDefault()));
    return set;
}

CurveSet CurveSet::fromReply(const InfoReply &reply, const DeviceModel &model)
{
    CurveSet set = defaults(model);
    set.temperatures = reply.temperatures;
    set.powers = reply.powers;
    return set;
}

CurveSet::Write CurveSet::temperatureWrite(int group, TemperatureUnit unit) const
{
    Write write;
    write.temperature = true;
    write.unitByte = quint8(unit);
    write.group = qBound(0, group, GroupCount - 1);
    for (int point = 0; point < PointCount; ++point) {
        const int value = toUnit(temperatures[write.group][point], unit);
        write.points[point] = quint16(qBound(temperatureMin(unit), value, temperatureMax(unit)));
    }
    return write;
}

CurveSet::Write CurveSet::powerWrite(int group) const
{
    Write write;
    write.temperature = false;
    write.group = qBound(0, group, GroupCount - 1);
    for (int point = 0; point < PointCount; ++point)
        write.points[point] = quint16(qBound(powerMin, int(powers[write.group][point]), powerMax));
    return write;
}

CurveSet::Points CurveSet::temperatureFileValues(int group) const
{
    Points values{};
    if (!validGroup(group))
        return values;
    for (int point = 0; point < PointCount; ++point)
        values[point] = quint16(temperatures[group][point] - FahrenheitMin);
    return values;
}

CurveSet::Points CurveSet::powerFileValues(int group) const
{
    Points values{};
    if (!validGroup(group))
        return values;
    for (int point = 0; point < PointCount; ++point)
        values[point] = quint16(powers[group][point] - powerMin);
    return values;
}

void CurveSet::setTemperaturesFromFile(int group, const Points &values)
{
    if (!validGroup(group))
        return;
    for (int point = 0; point < PointCount; ++point) {
        temperatures[group][point]
                = quint16(FahrenheitMin + qMin(int(values[point]), FahrenheitMax - FahrenheitMin));
    }
}

void CurveSet::setPowersFromFile(int group, const Points &values)
{
    if (!validGroup(group))
        return;
    const int span = qMax(0, powerMax - powerMin);
    for (int point = 0; point < PointCount; ++point)
        powers[group][point] = quint16(powerMin + qMin(int(values[point]), span));
}
