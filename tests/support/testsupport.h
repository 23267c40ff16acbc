#ifndef TESTS_SUPPORT_TESTSUPPORT_H
#define TESTS_SUPPORT_TESTSUPPORT_H

#include <QByteArray>
#include <QCoreApplication>
#include <QTemporaryDir>

// Reproducible pseudo-random bytes (a linear congruential sequence started from salt).
inline QByteArray randomBytes(int size, quint32 salt)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        salt = salt * 1103515245u + 12345u;
        bytes[i] = char(salt >> 16);
    }
    return bytes;
}

// main() of a test that builds windows: the settings (the stored language), the desktop folder
// of the file dialogs and the data folder (the backups) live in a temporary home, never in the
// user's own.
#define KORLEX_WINDOW_TEST_MAIN(TestClass) \
    int main(int argc, char *argv[]) \
    { \
        QTemporaryDir home; \
        if (!home.isValid()) \
            return 1; \
        qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit()); \
        qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit()); \
        qputenv("HOME", home.path().toLocal8Bit()); \
        QApplication app(argc, argv); \
        TestClass test; \
        return QTest::qExec(&test, argc, argv); \
    }

#endif // TESTS_SUPPORT_TESTSUPPORT_H
