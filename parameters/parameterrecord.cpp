#include "parameters/parameterrecord.h"

#include "device/commands.h"

#include <cmath>

CoilValueRange ParameterRecord::coilRange(int row)
{
    static const CoilValueRange ranges[CoilCount] = {
            {1000, 1600, 1300}, {6000, 7000, 6500}, {3500, 4500, 4000},
            {200, 600, 400},    {100, 7000, 1000},
    };
    return ranges[qBound(0, row, CoilCount - 1)];
}

bool ParameterRecord::coilValueInRange(int row, int value)
{
    const CoilValueRange range = coilRange(row);
    return value >= range.minimum && value <= range.maximum;
}

int ParameterRecord::puffSecondsFrom(quint16 reported)
{
    if (reported >= PuffMinSeconds && reported <= PuffMaxSeconds)
        return reported;
    return int(std::lround(reported / double(PuffScale)));
}

ParameterRecord ParameterRecord::fromReply(const InfoReply &reply)
{
    ParameterRecord record;
    for (int i = 0; i < CoilCount; ++i) {
        // A set bit i + 1 turns coil i off.
        record.coilOn[i] = (reply.coilMask & (1u << (i + 1))) == 0;
        record.coilValues[i] = reply.coilValues[i];
    }
    record.brightness = reply.brightness;
    record.puff = reply.puff;
    return record;
}

ParameterRecord ParameterRecord::defaults()
{
    ParameterRecord record;
    for (int i = 0; i < CoilCount; ++i) {
        record.coilOn[i] = i < DefaultCoilsOn;
        record.coilValues[i] = quint16(coilRange(i).defaultValue);
    }
    record.brightness = DefaultBrightness;
    record.setPuffSeconds(DefaultPuffSeconds);
    return record;
}

ParameterRecord ParameterRecord::forWrite() const
{
    ParameterRecord record = *this;
    for (int i = 0; i < CoilCount; ++i) {
        const CoilValueRange range = coilRange(i);
        record.coilValues[i] = quint16(qBound(range.minimum, int(coilValues[i]), range.maximum));
    }
    record.brightness = quint16(qBound(BrightnessMin, int(brightness), BrightnessMax));
    record.setPuffSeconds(qBound(int(PuffMinSeconds), puffSeconds(), int(PuffMaxSeconds)));
    return record;
}

bool ParameterRecord::operator==(const ParameterRecord &other) const
{
    return coilOn == other.coilOn && coilValues == other.coilValues
           && brightness == other.brightness && puff == other.puff;
}
