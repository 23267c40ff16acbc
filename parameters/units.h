#ifndef PARAMETERS_UNITS_H
#define PARAMETERS_UNITS_H

#include <QtGlobal>

// Temperature conversions of the curve pages. The range ends map onto each other exactly
// (200 F = 100 C, 600 F = 315 C); everything else is rounded and clamped into the range.
quint16 fahrenheitToCelsius(quint16 fahrenheit);
quint16 celsiusToFahrenheit(quint16 celsius);

// The puff time as the device reports it, in seconds: devices that report 3 to 10 report
// seconds, the others hundredths of a second (the unit the time is written in), rounded.
int puffSecondsFromDevice(quint16 reported);

// The range and the default of the coil value of a row (0 to 4) of the coil material table.
struct CoilValueRange
{
    int minimum;
    int maximum;
    int defaultValue;
};
CoilValueRange coilValueRange(int row);

#endif // PARAMETERS_UNITS_H
