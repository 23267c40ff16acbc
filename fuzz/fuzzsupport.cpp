#include "fuzz/fuzzsupport.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define FUZZ_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FUZZ_ADDRESS_SANITIZER 1
#endif
#endif

#ifdef FUZZ_ADDRESS_SANITIZER
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void *,
                                                                            size_t),
                                                         void (*freeHook)(const volatile void *));
#endif

// Leaks inside the system libraries that the picture readers load (fonts, the platform plugin),
// as tests/lsan.supp lists them for the tests; nothing of this project.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:libfreetype.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n"
           "leak:libdbus-1.so\n"
           "leak:libQt5DBus.so\n"
           "leak:libqoffscreen.so\n"
           "leak:ld-linux-x86-64.so\n";
}

namespace Fuzz {

namespace {

constexpr size_t LargestFilledBlock = 64 * 1024;

// The pattern new blocks get, or -1 for none.
std::atomic<int> fillPattern{-1};

#ifdef FUZZ_ADDRESS_SANITIZER
void fillNewBlock(const volatile void *block, size_t size)
{
    const int pattern = fillPattern.load(std::memory_order_relaxed);
    if (pattern >= 0 && block && size <= LargestFilledBlock)
        std::memset(const_cast<void *>(block), pattern, size);
}

void ignoreFreedBlock(const volatile void *) { }

bool installHook()
{
    return __sanitizer_install_malloc_and_free_hooks(fillNewBlock, ignoreFreedBlock) != 0;
}
#endif

} // namespace

void fail(const char *check, const char *file, int line)
{
    std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", check, file, line);
    std::fflush(stderr);
    std::abort();
}

FilledAllocations::FilledAllocations(quint8 pattern)
{
#ifdef FUZZ_ADDRESS_SANITIZER
    static const bool installed = installHook();
    FUZZ_CHECK(installed);
#endif
    fillPattern.store(pattern);
}

FilledAllocations::~FilledAllocations()
{
    fillPattern.store(-1);
}

bool samePicture(const QImage &a, const QImage &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    if (a.format() != b.format() || a.size() != b.size() || a.colorTable() != b.colorTable())
        return false;
    const int depth = a.depth();
    for (int y = 0; y < a.height(); ++y) {
        if (depth < 8) {
            for (int x = 0; x < a.width(); ++x) {
                if (a.pixelIndex(x, y) != b.pixelIndex(x, y))
                    return false;
            }
        } else if (std::memcmp(a.constScanLine(y), b.constScanLine(y),
                               size_t(a.width()) * size_t(depth / 8))
                   != 0) {
            return false;
        }
    }
    return true;
}

void needGuiApplication()
{
    static QGuiApplication *application = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "korlex-fuzz";
        static char *argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    Q_UNUSED(application);
}

QString scratchFile(const QString &name, const QByteArray &bytes)
{
    static QTemporaryDir *folder = new QTemporaryDir;
    FUZZ_CHECK(folder->isValid());
    const QString path = folder->filePath(name);
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
    return path;
}

} // namespace Fuzz
