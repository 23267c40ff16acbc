// Reading pictures (BMP::readPicture, from the bytes of a BMP file and from a file of any
// format) and the LCD conversions both ways. A picture decodes to the same pixels whatever the
// memory held; the conversions write every byte they count and refuse exactly the pictures the
// reader refuses or whose bytes would not fit; device bytes made into a BMP file convert back
// to the same device bytes.

#include "fuzz/fuzzsupport.h"
#include "pictures/bmp.h"

#include <vector>

namespace {

// The capacities the picture jobs convert into.
constexpr int MonoCapacity = 1536;
constexpr int ColourCapacity = 26112;

struct Conversion
{
    int result = -1;
    QByteArray bytes; // the bytes counted by the result

    bool operator==(const Conversion &other) const
    {
        return result == other.result && bytes == other.bytes;
    }
};

// One conversion of the file, into a buffer filled with fill, under the allocation pattern.
Conversion convert(const QString &path, bool colour, quint8 fill, quint8 pattern)
{
    const Fuzz::FilledAllocations filled(pattern);
    const int capacity = colour ? ColourCapacity : MonoCapacity;
    std::vector<quint8> out(size_t(capacity), fill);
    Conversion conversion;
    conversion.result = colour ? BMP::bmp24ToLcdData(out.data(), path, capacity)
                               : BMP::bmp8ToLcdColRowData(out.data(), path, true, capacity);
    FUZZ_CHECK(conversion.result <= capacity);
    if (conversion.result > 0)
        conversion.bytes
                = QByteArray(reinterpret_cast<const char *>(out.data()), conversion.result);
    return conversion;
}

void checkWithinBudget(const QImage &image, qint64 fileSize)
{
    FUZZ_CHECK(image.width() <= BMP::MaxPictureSide && image.height() <= BMP::MaxPictureSide);
    FUZZ_CHECK(qint64(image.width()) * image.height() <= BMP::pixelBudget(fileSize));
}

QImage readBytes(const QByteArray &bytes, quint8 pattern)
{
    const Fuzz::FilledAllocations filled(pattern);
    return BMP::readPicture(bytes, "bmp");
}

QImage readFile(const QString &path, quint8 pattern)
{
    const Fuzz::FilledAllocations filled(pattern);
    return BMP::readPicture(path);
}

void checkReadingAndConversions(const QByteArray &bytes)
{
    const QImage fromBytes = readBytes(bytes, Fuzz::FirstPattern);
    FUZZ_CHECK(Fuzz::samePicture(readBytes(bytes, Fuzz::SecondPattern), fromBytes));
    if (!fromBytes.isNull())
        checkWithinBudget(fromBytes, bytes.size());

    const QString path = Fuzz::scratchFile(QStringLiteral("picture"), bytes);
    const QImage fromFile = readFile(path, Fuzz::FirstPattern);
    FUZZ_CHECK(Fuzz::samePicture(readFile(path, Fuzz::SecondPattern), fromFile));
    if (!fromFile.isNull())
        checkWithinBudget(fromFile, bytes.size());

    for (const bool colour : {false, true}) {
        const Conversion first = convert(path, colour, 0x00, Fuzz::FirstPattern);
        FUZZ_CHECK(convert(path, colour, 0xFF, Fuzz::SecondPattern) == first);
        if (fromFile.isNull()) {
            FUZZ_CHECK(first.result < 0);
            continue;
        }
        const qint64 width = fromFile.width();
        const qint64 height = fromFile.height();
        const qint64 needed = colour ? width * height * 2 : width * ((height + 7) / 8);
        FUZZ_CHECK(needed <= (colour ? ColourCapacity : MonoCapacity) ? first.result == needed
                                                                      : first.result < 0);
    }
}

// Device bytes of a monochrome screen format (taken from the input, repeated) -> the BMP file
// a picture read saves -> device bytes again.
void checkDeviceRoundTrip(const QByteArray &input, int format)
{
    const int width = format == 0 ? 128 : 64;
    const int height = format == 0 ? 32 : 128;
    const int lcdSize = width * height / 8;
    QByteArray lcd(lcdSize, '\0');
    for (int i = 0; !input.isEmpty() && i < lcdSize; ++i)
        lcd[i] = input.at(i % input.size());

    const int stride = (width + 31) / 32 * 4;
    QByteArray pixels;
    for (const char fill : {'\x00', '\xFF'}) {
        QByteArray out(stride * height, fill);
        FUZZ_CHECK(BMP::lcdColRowDataToBmp8(reinterpret_cast<quint8 *>(out.data()),
                                            reinterpret_cast<const quint8 *>(lcd.constData()),
                                            width, height, format == 1, lcdSize, out.size())
                   == out.size());
        FUZZ_CHECK(pixels.isNull() || out == pixels);
        pixels = out;
    }
    const QByteArray file = BMP::monoBmpHeader(format) + pixels;
    FUZZ_CHECK(BMP::readPicture(file, "bmp").size() == QSize(width, height));
    const Conversion back = convert(Fuzz::scratchFile(QStringLiteral("device.bmp"), file), false,
                                    0xA5, Fuzz::FirstPattern);
    FUZZ_CHECK(back.result == lcdSize && back.bytes == lcd);
}

// Any size of picture from LCD bytes: the pixel array is written whole, padding included, or
// refused when the LCD bytes are fewer than the picture needs.
void checkAnySize(const QByteArray &input)
{
    if (input.size() < 2)
        return;
    const int width = 1 + quint8(input.at(0)) % 160;
    const int height = 1 + quint8(input.at(1)) % 160;
    const QByteArray lcd = input.mid(2);
    const int size = (width + 31) / 32 * 4 * height;
    QByteArray first;
    for (const char fill : {'\x00', '\xFF'}) {
        std::vector<quint8> out(static_cast<size_t>(size), quint8(fill));
        const int written = BMP::lcdColRowDataToBmp8(
                out.data(), reinterpret_cast<const quint8 *>(lcd.constData()), width, height, false,
                lcd.size(), size);
        FUZZ_CHECK(written == (lcd.size() >= width * ((height + 7) / 8) ? size : -1));
        const QByteArray bytes(reinterpret_cast<const char *>(out.data()), int(out.size()));
        FUZZ_CHECK(written < 0 || first.isNull() || bytes == first);
        first = bytes;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::needGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 1024 * 1024)
        return 0;
    const QByteArray bytes = Fuzz::bytesOf(data, size);
    checkReadingAndConversions(bytes);
    checkDeviceRoundTrip(bytes, 0);
    checkDeviceRoundTrip(bytes, 1);
    checkAnySize(bytes);
    return 0;
}
