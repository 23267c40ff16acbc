#ifndef PARAMETERS_UNITS_H
#define PARAMETERS_UNITS_H

#include <QtGlobal>

// Temperature conversions of the curve pages. The range ends map onto each other exactly
// (200 F = 100 C, 600 F = 315 C); everything else is rounded and clamped into the range.
quint16 fahrenheitToCelsius(quint16 fahrenheit);
quint16 celsiusToFahrenheit(quint16 celsius);

#endif // PARAMETERS_UNITS_H
