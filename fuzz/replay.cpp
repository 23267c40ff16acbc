// Runs a fuzz target once over inputs, without libFuzzer: every file named on the command line,
// and every file of the folders named there. The test suite runs each target over its corpus
// this way; it fails when a check of the target aborts, when the sanitizers report, and when
// there was no input at all.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) __attribute__((weak));

int main(int argc, char **argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    QStringList files;
    for (int i = 1; i < argc; ++i) {
        const QString name = QFile::decodeName(argv[i]);
        if (QFileInfo(name).isDir()) {
            const QDir folder(name);
            for (const QString &entry : folder.entryList(QDir::Files, QDir::Name))
                files << folder.filePath(entry);
        } else {
            files << name;
        }
    }
    for (const QString &name : qAsConst(files)) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(name));
            return 1;
        }
        const QByteArray bytes = file.readAll();
        std::printf("%s (%d bytes)\n", qPrintable(name), int(bytes.size()));
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()),
                               size_t(bytes.size()));
    }
    std::printf("%d inputs\n", int(files.size()));
    return files.isEmpty() ? 1 : 0;
}
