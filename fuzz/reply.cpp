// The replies the device sends and what the tool makes of them: the status and clock replies,
// and the information reply with the identity, the parameter record and the curves it carries.
// Whatever frame arrives, it is read only when it carries what is read, and what the tool then
// writes back keeps to the device's ranges.
//
// Input: the first byte says how many reports the reply spanned (0 gives 1); the rest is the
// frame body after the start byte (address, code, length, data), which gets a valid CRC and end
// byte, so that the parsers themselves are reached.

#include "catalogue/devicemodels.h"
#include "device/commands.h"
#include "device/deviceidentity.h"
#include "device/frame.h"
#include "fuzz/fuzzsupport.h"
#include "parameters/curveset.h"
#include "parameters/parameterrecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 6 || size > 4096)
        return 0;
    const quint32 reports = data[0] == 0 ? 1 : data[0];
    const QByteArray body = Fuzz::bytesOf(data + 1, size - 1);
    const quint16 address = quint16((quint8(body[0]) << 8) | quint8(body[1]));
    // The declared length stays as it came, even where it disagrees with the data.
    const int declared = (quint8(body[3]) << 8) | quint8(body[4]);
    QByteArray frame = buildFrame(address, quint8(body[2]), body.mid(5));
    frame[4] = char(declared >> 8);
    frame[5] = char(declared & 0xFF);

    const ReplyKind kind = classifyReply(frame);
    if (quint8(frame[3]) != Command::StatusReply)
        FUZZ_CHECK(kind == ReplyKind::Answer);

    std::array<quint8, 6> clock{};
    if (clockFromReply(frame, &clock)) {
        FUZZ_CHECK(quint8(frame[3]) == Command::ClockReply);
        for (quint8 field : clock)
            FUZZ_CHECK(field <= 165); // two BCD digits of at most 15 each
    }

    InfoReply reply;
    const bool parsed = parseInfoReply(frame, reports, &reply);
    const bool carriesIdentity = declared >= 6 && frame.size() >= declared + FrameOverhead;
    FUZZ_CHECK(parsed == carriesIdentity);
    if (!parsed)
        return 0;
    FUZZ_CHECK(reply.id == address);
    FUZZ_CHECK(reply.hasRecord == (reports != 1 && declared >= DeviceInfoDataLength));

    static const bool models = [] {
        loadDeviceModelsFrom(QStringLiteral("/nonexistent"));
        return true;
    }();
    Q_UNUSED(models)
    const DeviceIdentity identity = DeviceIdentity::fromReply(
            ProductKind::Firmware, QStringLiteral("KORLEX"), reply, deviceModels());
    FUZZ_CHECK(identity.serial == QString::number(reply.serial, 16));
    FUZZ_CHECK(identity.pictureCount()
               == (identity.screenFormat() == 2  ? 10
                   : identity.screenFormat() < 2 ? 12
                                                 : 0));
    FUZZ_CHECK(identity.firmwareVersion.isEmpty() != reply.hasRecord);

    // What a write sends back from these values stays inside the ranges.
    const ParameterRecord record = ParameterRecord::fromReply(reply).forWrite();
    for (int row = 0; row < ParameterRecord::CoilCount; ++row)
        FUZZ_CHECK(ParameterRecord::coilValueInRange(row, record.coilValues[row]));
    FUZZ_CHECK(ParameterRecord::puffInRange(record.puffSeconds()));
    FUZZ_CHECK(record.puff == record.puffSeconds() * ParameterRecord::PuffScale);

    const CurveSet curves = CurveSet::fromReply(reply, identity.model);
    for (int group = 0; group < CurveSet::GroupCount; ++group) {
        for (TemperatureUnit unit : {TemperatureUnit::Celsius, TemperatureUnit::Fahrenheit}) {
            const CurveSet::Write write = curves.temperatureWrite(group, unit);
            for (quint16 value : write.points)
                FUZZ_CHECK(CurveSet::temperatureInRange(value, unit));
        }
        for (quint16 watts : curves.powerWrite(group).points)
            FUZZ_CHECK(curves.powerInRange(watts));
    }
    return 0;
}
