#ifndef FUZZ_FUZZSUPPORT_H
#define FUZZ_FUZZSUPPORT_H

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>

// What the fuzz targets share: failing checks, allocations that start out dirty, the picture
// readers' set-up and a scratch folder.
namespace Fuzz {

// Prints the check that failed and aborts, so that the fuzzer keeps the input.
[[noreturn]] void fail(const char *check, const char *file, int line);

#define FUZZ_CHECK(condition) ((condition) ? void(0) : Fuzz::fail(#condition, __FILE__, __LINE__))

// While one lives, every block of up to 64 KiB that the program allocates starts out filled
// with the pattern (in builds with AddressSanitizer, through its allocation hook; elsewhere
// it does nothing). Bytes that code leaves unwritten then show the pattern, so the same work
// done under two patterns gives different results exactly when something was left unwritten.
// Larger blocks are left alone: they may be calloc's, which clears only the small ones after
// the hook has run.
class FilledAllocations
{
public:
    explicit FilledAllocations(quint8 pattern);
    ~FilledAllocations();
    FilledAllocations(const FilledAllocations &) = delete;
    FilledAllocations &operator=(const FilledAllocations &) = delete;
};

// The two patterns that the targets compare runs under.
constexpr quint8 FirstPattern = 0x11;
constexpr quint8 SecondPattern = 0xEE;

// Whether two images are the same picture to the last stored pixel value: format, size, colour
// table and every pixel's bits (for indexed images the index itself, which QImage's own
// comparison looks up in the colour table, also when it lies outside the table).
bool samePicture(const QImage &a, const QImage &b);

// A QGuiApplication on the offscreen platform, made once: the SVG reader draws text.
void needGuiApplication();

// A file of the scratch folder (made once for the run) holding the bytes; its path.
QString scratchFile(const QString &name, const QByteArray &bytes);

inline QByteArray bytesOf(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}

} // namespace Fuzz

#endif // FUZZ_FUZZSUPPORT_H
