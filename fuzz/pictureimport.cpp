// The picture editor's import without its widgets: the checked reader for imports
// (BMP::readImportPicture) and the conversion for a slot (ImageConvert), as
// BmpEditor::importPicture and convertImport do it. The first three bytes choose the slot, the
// threshold and the dithering; the rest is the file. Whatever the file, the result is a picture
// of the slot's size or nothing, and the same on every import whatever the memory held.

#include "fuzz/fuzzsupport.h"
#include "pictures/bmp.h"
#include "pictures/imageconvert.h"

namespace {

struct Import
{
    QSize slot;
    bool colour = false;
    int threshold = ImageConvert::DefaultThreshold;
    bool dither = false;
};

QImage import(const QString &path, const Import &how, quint8 pattern)
{
    const Fuzz::FilledAllocations filled(pattern);
    const QImage source = BMP::readImportPicture(path, how.slot);
    if (source.isNull())
        return QImage();
    FUZZ_CHECK(source.width() <= BMP::MaxPictureSide && source.height() <= BMP::MaxPictureSide);
    const QImage fitted = ImageConvert::fitToSlot(source, how.slot);
    FUZZ_CHECK(fitted.size() == how.slot);
    const QImage shown = how.colour ? ImageConvert::toRgb565(fitted)
                                    : ImageConvert::toMonochrome(fitted, how.threshold, how.dither)
                                              .convertToFormat(QImage::Format_RGB32);
    FUZZ_CHECK(shown.size() == how.slot && shown.format() == QImage::Format_RGB32);
    return shown;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::needGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3 || size > 1024 * 1024)
        return 0;
    Import how;
    const QSize slotSizes[] = {QSize(128, 32), QSize(64, 128), QSize(80, 160)};
    how.slot = slotSizes[data[0] % 3];
    how.colour = data[0] % 3 == 2;
    how.threshold = data[1];
    how.dither = data[2] & 1;
    const QString path
            = Fuzz::scratchFile(QStringLiteral("import"), Fuzz::bytesOf(data + 3, size - 3));

    const QImage first = import(path, how, Fuzz::FirstPattern);
    FUZZ_CHECK(Fuzz::samePicture(import(path, how, Fuzz::SecondPattern), first));
    if (!first.isNull() && !how.colour) {
        for (int y = 0; y < first.height(); ++y) {
            for (int x = 0; x < first.width(); ++x) {
                const QRgb pixel = first.pixel(x, y);
                FUZZ_CHECK(pixel == qRgb(0, 0, 0) || pixel == qRgb(255, 255, 255));
            }
        }
    }
    return 0;
}
