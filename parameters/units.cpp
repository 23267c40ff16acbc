#include "parameters/units.h"

#include <cmath>

quint16 fahrenheitToCelsius(quint16 fahrenheit)
{
    if (fahrenheit == 200)
        return 100;
    if (fahrenheit == 600)
        return 315;
    const float celsius = float((double(fahrenheit) - 32.0) * 10.0 / 18.0 + 0.5);
    const long result = std::lround(std::trunc(celsius));
    if (result <= 99)
        return 100;
    if (result >= 316)
        return 315;
    return quint16(result);
}

quint16 celsiusToFahrenheit(quint16 celsius)
{
    if (celsius == 100)
        return 200;
    if (celsius == 315)
        return 600;
    const float fahrenheit = float((double(celsius) * 18.0 + 320.0) / 10.0 + 0.6);
    const long result = std::lround(std::trunc(fahrenheit));
    if (result <= 199)
        return 200;
    if (result >= 601)
        return 600;
    return quint16(result);
}
