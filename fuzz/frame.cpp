// Frame extraction from received bytes (extractFrame): whatever arrives from the device, the
// frame found is a complete, checked frame taken from the bytes, and the output buffer of
// exactly the input's size is never overrun.

#include "device/frame.h"
#include "fuzz/fuzzsupport.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 65536)
        return 0;
    // Buffers of exactly the sizes the caller promises, so that AddressSanitizer sees any byte
    // read or written past them.
    const std::vector<quint8> received(data, data + size);
    std::vector<quint8> out(size, 0xA5);
    const int length = extractFrame(out.data(), received.data(), int(size));
    if (length == 0)
        return 0;

    FUZZ_CHECK(length >= FrameOverhead && size_t(length) <= size);
    const QByteArray frame(reinterpret_cast<const char *>(out.data()), length);
    FUZZ_CHECK(Fuzz::bytesOf(data, size).contains(frame));
    FUZZ_CHECK(quint8(frame.at(0)) == FrameStart && quint8(frame.at(length - 1)) == FrameEnd);
    const int dataLength = (quint8(frame.at(4)) << 8) | quint8(frame.at(5));
    FUZZ_CHECK(dataLength + FrameOverhead == length);

    // Built again from its address, code and data, the frame is the same bytes: its CRC holds.
    const quint16 address = quint16((quint8(frame.at(1)) << 8) | quint8(frame.at(2)));
    FUZZ_CHECK(buildFrame(address, quint8(frame.at(3)), frame.mid(6, dataLength)) == frame);

    // The frame alone gives itself.
    std::vector<quint8> again(size_t(length), 0x5A);
    FUZZ_CHECK(extractFrame(again.data(), out.data(), length) == length);
    FUZZ_CHECK(std::memcmp(again.data(), out.data(), size_t(length)) == 0);
    return 0;
}
