#ifndef PARAMETERS_PARAMETERRECORD_H
#define PARAMETERS_PARAMETERRECORD_H

#include <QtGlobal>

#include <array>

struct InfoReply;

// The range and the default of the coil value of a row (0 to 4) of the coil material table.
struct CoilValueRange
{
    int minimum;
    int maximum;
    int defaultValue;
};

// The device's parameters: the coil material table (five rows, each on or off with a value),
// the screen brightness and the longest puff. It keeps the values as the device reports them and
// owns their rules: the ranges, the puff time's unit and what a write sends.
struct ParameterRecord
{
    static constexpr int CoilCount = 5;
    static constexpr int BrightnessMin = 0;
    static constexpr int BrightnessMax = 255;
    static constexpr int PuffMinSeconds = 3;
    static constexpr int PuffMaxSeconds = 10;
    // The puff time is written in hundredths of a second.
    static constexpr int PuffScale = 100;
    // What "restore all defaults" puts back (the rows switched on are the first three).
    static constexpr int DefaultBrightness = 200;
    static constexpr int DefaultPuffSeconds = 10;
    static constexpr int DefaultCoilsOn = 3;

    std::array<bool, CoilCount> coilOn{};
    std::array<quint16, CoilCount> coilValues{};
    quint16 brightness = 0;
    quint16 puff = 0; // as the device reports it, or as a write sends it

    static CoilValueRange coilRange(int row);
    static bool brightnessInRange(int value)
    {
        return value >= BrightnessMin && value <= BrightnessMax;
    }
    static bool puffInRange(int seconds)
    {
        return seconds >= PuffMinSeconds && seconds <= PuffMaxSeconds;
    }
    static bool coilValueInRange(int row, int value);
    // The puff time a device reports, in seconds: devices that report 3 to 10 report seconds,
    // the others hundredths of a second (the unit it is written in), rounded.
    static int puffSecondsFrom(quint16 reported);

    static ParameterRecord fromReply(const InfoReply &reply);
    static ParameterRecord defaults();

    int puffSeconds() const { return puffSecondsFrom(puff); }
    void setPuffSeconds(int seconds) { puff = quint16(seconds * PuffScale); }

    // What a write sends for these values: coil values inside their ranges, the puff time in
    // whole seconds inside its range, in hundredths. The window's controls and the command
    // line both hold only such values; a reported value outside a range goes back at its
    // nearest end.
    ParameterRecord forWrite() const;

    bool operator==(const ParameterRecord &other) const;
    bool operator!=(const ParameterRecord &other) const { return !(*this == other); }
};

#endif // PARAMETERS_PARAMETERRECORD_H
