// Build-time generator of the compiled-in artwork: draws every picture, writes the files into the
// output folder under their resource paths and writes a resource collection file listing them.
// It also draws the application icon at the usual sizes into an icon folder laid out as a theme:
// <icon folder>/<N>x<N>/apps/org.korlex.KorlexTool.png.
//
// Usage: artgen <output folder> <resource collection file> <icon folder>

#include "resources/art/lcdpictures.h"
#include "resources/art/pixelfont.h"
#include "resources/art/uiart.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QStringList>
#include <QTextStream>
#include <QtEndian>
#include <cstdio>

namespace {

const int applicationIconSizes[] = {16, 24, 32, 48, 64, 128, 256, 512};

// The picture as Qt's writer for the format ("bmp", "png", "ico") encodes it; empty on failure.
QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (image.isNull() || !writer.write(image))
        return QByteArray();
    return data;
}

// A 1-bit picture with a two-entry palette: a pixel whose grey value is at least 128 is light
// (lit on the LCD); lightBit is the bit value that stands for light, shown white.
QImage monoPicture(const QImage &drawn, int lightBit)
{
    const QImage source = drawn.convertToFormat(QImage::Format_RGB32);
    QImage mono(source.size(), QImage::Format_Mono);
    mono.setColorCount(2);
    mono.setColor(lightBit, qRgb(255, 255, 255));
    mono.setColor(1 - lightBit, qRgb(0, 0, 0));
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x)
            mono.setPixel(x, y, qGray(source.pixel(x, y)) >= 128 ? lightBit : 1 - lightBit);
    }
    return mono;
}

// One icon file holding every size. Qt's icon writer puts one picture in a file, so the
// single-picture files are joined: a 6-byte header (reserved, type, count), one 16-byte entry
// per picture ending with the size and offset of its bitmap, then the bitmaps.
QByteArray iconFile(const QList<QImage> &sizes)
{
    const int entriesEnd = 6 + 16 * sizes.size();
    QByteArray entries;
    QByteArray bitmaps;
    for (const QImage &image : sizes) {
        const QByteArray single = encoded(image, "ico");
        if (single.size() < 22 || qFromLittleEndian<quint16>(single.constData() + 4) != 1)
            return QByteArray();
        const quint32 size = qFromLittleEndian<quint32>(single.constData() + 14);
        const quint32 offset = qFromLittleEndian<quint32>(single.constData() + 18);
        if (offset > quint32(single.size()) || size > quint32(single.size()) - offset)
            return QByteArray();
        QByteArray entry = single.mid(6, 16);
        qToLittleEndian(quint32(entriesEnd + bitmaps.size()), entry.data() + 12);
        entries += entry;
        bitmaps += single.mid(int(offset), int(size));
    }
    QByteArray header(6, '\0');
    qToLittleEndian(quint16(1), header.data() + 2); // an icon, not a cursor
    qToLittleEndian(quint16(sizes.size()), header.data() + 4);
    return header + entries + bitmaps;
}

class Output
{
public:
    explicit Output(const QString &folder)
        : m_folder(folder)
    { }

    // Writes data at the resource path (relative to the output folder) and lists it.
    void add(const QString &resourcePath, const QByteArray &data)
    {
        if (write(m_folder + '/' + resourcePath, data))
            m_listed.append(resourcePath);
    }

    void addPng(const QString &resourcePath, const QImage &image)
    {
        add(resourcePath, encoded(image, "png"));
    }

    bool write(const QString &path, const QByteArray &data)
    {
        if (data.isEmpty()) {
            fail(QStringLiteral("nothing to write for %1").arg(path));
            return false;
        }
        if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
            fail(QStringLiteral("cannot create the folder of %1").arg(path));
            return false;
        }
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(data) != data.size() || !file.flush()) {
            fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
            return false;
        }
        return true;
    }

    // The resource collection file for rcc, to be written at collectionPath; every file keeps
    // its resource path as alias.
    QByteArray collection(const QString &collectionPath) const
    {
        const QDir base = QFileInfo(collectionPath).absoluteDir();
        QByteArray text;
        QTextStream stream(&text);
        stream << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
        for (const QString &path : m_listed)
            stream << "    <file alias=\"" << path << "\">"
                   << base.relativeFilePath(QDir(m_folder).absoluteFilePath(path)) << "</file>\n";
        stream << "</qresource>\n</RCC>\n";
        stream.flush();
        return text;
    }

    void fail(const QString &message)
    {
        std::fprintf(stderr, "artgen: %s\n", qPrintable(message));
        m_failed = true;
    }

    bool failed() const { return m_failed; }

private:
    QString m_folder;
    QStringList m_listed;
    bool m_failed = false;
};

void addLcdSet(Output &out, const QString &folder, LcdPictures::Screen screen, int lightBit)
{
    for (int slot = 1; slot <= LcdPictures::slotCount(screen); ++slot) {
        const QImage image = LcdPictures::draw(screen, slot);
        const QString path = QStringLiteral("%1/%2.bmp").arg(folder).arg(slot);
        if (image.size() != LcdPictures::screenSize(screen)) {
            out.fail(QStringLiteral("%1 has the wrong size").arg(path));
            continue;
        }
        out.add(path, encoded(screen == LcdPictures::Screen::Colour80x160
                                      ? image.convertToFormat(QImage::Format_RGB32)
                                      : monoPicture(image, lightBit),
                              "bmp"));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 4) {
        std::fprintf(stderr, "usage: artgen <output folder> <collection file> <icon folder>\n");
        return 2;
    }
    const QString fontProblem = PixelFont::tableProblem();
    if (!fontProblem.isEmpty()) {
        std::fprintf(stderr, "artgen: pixel font: %s\n", qPrintable(fontProblem));
        return 1;
    }

    Output out(arguments.at(1));
    using UiArt::WindowButton;
    out.addPng("title/pic/showMin.png", UiArt::windowButton(WindowButton::Minimise));
    out.addPng("title/pic/showMax.png", UiArt::windowButton(WindowButton::Maximise));
    out.addPng("title/pic/showNormal.png", UiArt::windowButton(WindowButton::Restore));
    out.addPng("title/pic/close.png", UiArt::windowButton(WindowButton::Close));

    for (int index = 1; index <= 4; ++index) {
        QList<QImage> sizes;
        for (int size : {16, 24, 32, 48, 64})
            sizes.append(UiArt::navigationIcon(index, size));
        out.add(QStringLiteral("list/ico/%1.ico").arg(index), iconFile(sizes));
    }
    out.addPng("list/ico/5.png", UiArt::menuIcon(5));
    out.addPng("list/ico/6.png", UiArt::menuIcon(6));

    out.addPng("log/log/korlex.png", UiArt::logo());
    out.addPng("log/log/welcomPic.png", UiArt::welcomePicture());

    // Files read from a device carry these palettes too: for the 128 x 32 screen bit 1 is white,
    // for the 64 x 128 screen bit 1 is black.
    addLcdSet(out, "512/512", LcdPictures::Screen::Mono128x32, 1);
    addLcdSet(out, "1024/1024", LcdPictures::Screen::Mono64x128, 0);
    addLcdSet(out, "25K/25K", LcdPictures::Screen::Colour80x160, 0);

    for (int size : applicationIconSizes) {
        out.write(QStringLiteral("%1/%2x%2/apps/org.korlex.KorlexTool.png")
                          .arg(arguments.at(3))
                          .arg(size),
                  encoded(UiArt::applicationIcon(size), "png"));
    }

    const QString missing = PixelFont::missingCharacters();
    if (!missing.isEmpty())
        out.fail(QStringLiteral("the pixel font has no glyph for \"%1\"").arg(missing));
    if (out.failed())
        return 1;
    out.write(arguments.at(2), out.collection(arguments.at(2)));
    return out.failed() ? 1 : 0;
}
