// Build-time generator of the compiled-in artwork: draws every picture, writes the files into the
// output folder under their resource paths and writes a resource collection file listing them.
//
// Usage: artgen <output folder> <resource collection file> <application icon file>

#include "resources/art/imagewriters.h"
#include "resources/art/lcdpictures.h"
#include "resources/art/pixelfont.h"
#include "resources/art/uiart.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <QTextStream>
#include <cstdio>

namespace {

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

    void addPng(const QString &resourcePath, const QImage &image) { add(resourcePath, png(image)); }

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

    static QByteArray png(const QImage &image)
    {
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        if (image.isNull() || !image.save(&buffer, "PNG"))
            return QByteArray();
        return data;
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
        out.add(path, screen == LcdPictures::Screen::Colour80x160
                              ? ImageWriters::rgbBmp(image)
                              : ImageWriters::monoBmp(image, lightBit));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 4) {
        std::fprintf(stderr, "usage: artgen <output folder> <collection file> <icon file>\n");
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
        out.add(QStringLiteral("list/ico/%1.ico").arg(index), ImageWriters::ico(sizes));
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

    out.write(arguments.at(3), Output::png(UiArt::applicationIcon()));

    const QString missing = PixelFont::missingCharacters();
    if (!missing.isEmpty())
        out.fail(QStringLiteral("the pixel font has no glyph for \"%1\"").arg(missing));
    if (out.failed())
        return 1;
    out.write(arguments.at(2), out.collection(arguments.at(2)));
    return out.failed() ? 1 : 0;
}
