#ifndef PARAMETERS_CURVESET_H
#define PARAMETERS_CURVESET_H

#include <QtGlobal>

#include <array>

struct DeviceModel;
struct InfoReply;

// The two units a temperature curve is shown and written in. The numbers are the unit byte of
// a temperature curve write.
enum class TemperatureUnit : quint8 { Celsius = 0, Fahrenheit = 1 };

// The device's curves: five temperature curves and five power curves of ten points each, one
// point a second from 0 to 9 s. They are kept in the device's own units (temperatures in
// Fahrenheit, power in W) and converted only where a user sees or types them, so switching the
// shown unit back and forth never changes a stored value. The set owns the ranges (200..600 F
// or 100..315 C; the model's power range), the defaults and what a curve write sends.
struct CurveSet
{
    static constexpr int GroupCount = 5;
    static constexpr int PointCount = 10;
    using Points = std::array<quint16, PointCount>;
    using Groups = std::array<Points, GroupCount>;

    Groups temperatures{}; // Fahrenheit
    Groups powers{}; // W
    int powerMin = 5;
    int powerMax = 80;

    static int temperatureMin(TemperatureUnit unit);
    static int temperatureMax(TemperatureUnit unit);
    // The value the Default buttons put in: 180 above the range's minimum, in the shown unit.
    static int temperatureDefault(TemperatureUnit unit);
    int powerDefault() const; // 45 W above the range's minimum

    // A stored Fahrenheit value in the given unit, and a value of that unit as Fahrenheit; the
    // conversions keep to the ranges and map their ends onto each other exactly.
    static int toUnit(quint16 fahrenheit, TemperatureUnit unit);
    static quint16 fromUnit(int value, TemperatureUnit unit);
    static bool temperatureInRange(int value, TemperatureUnit unit);
    bool powerInRange(int watts) const { return watts >= powerMin && watts <= powerMax; }

    Points temperaturesIn(int group, TemperatureUnit unit) const;
    // Stores a group given in unit, each value first kept inside the unit's range.
    void setTemperaturesIn(int group, const Points &values, TemperatureUnit unit);
    // Stores a power group, each value kept inside the model's range.
    void setPowers(int group, const Points &watts);

    // The set with every point at its default (in Fahrenheit, 380 F) and the model's power
    // range.
    static CurveSet defaults(const DeviceModel &model);
    // The curves of an information reply that carried them.
    static CurveSet fromReply(const InfoReply &reply, const DeviceModel &model);

    // What a curve write sends: for a temperature group the points in the unit named by the
    // unit byte, for a power group the watts.
    struct Write
    {
        bool temperature = true;
        quint8 unitByte = 0;
        int group = 0;
        Points points{};
    };
    Write temperatureWrite(int group, TemperatureUnit unit) const;
    Write powerWrite(int group) const;

    // The values of the user resource file: temperatures as offsets above 200 F, power as
    // offsets above the model's minimum; loading keeps them inside the ranges.
    Points temperatureFileValues(int group) const;
    Points powerFileValues(int group) const;
    void setTemperaturesFromFile(int group, const Points &values);
    void setPowersFromFile(int group, const Points &values);

    bool operator==(const CurveSet &other) const
    {
        return temperatures == other.temperatures && powers == other.powers;
    }
    bool operator!=(const CurveSet &other) const { return !(*this == other); }
};

#endif // PARAMETERS_CURVESET_H
