#include "pictures/pictureset.h"

#include "pictures/bmp.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>

namespace {

const char *const defaultSetPatterns[3]
        = {":/512/512/%1.bmp", ":/1024/1024/%1.bmp", ":/25K/25K/%1.bmp"};

} // namespace

PictureSet::PictureSet(int format, const QString &folder)
    : m_format(format >= 0 && format <= 2 ? format : 3)
    , m_folder(folder.isEmpty() || folder.endsWith(QLatin1Char('/')) ? folder
                                                                     : folder + QLatin1Char('/'))
{
    resetToDefaults();
    m_writeMask = 0;
}

int PictureSet::slotCount(int format)
{
    switch (format) {
    case 0:
    case 1:
        return 12;
    case 2:
        return 10;
    default:
        return 0;
    }
}

QSize PictureSet::pictureSize(int format)
{
    switch (format) {
    case 0:
        return QSize(128, 32);
    case 1:
        return QSize(64, 128);
    case 2:
        return QSize(80, 160);
    default:
        return QSize();
    }
}

int PictureSet::lcdBytes(int format)
{
    switch (format) {
    case 0:
        return 512;
    case 1:
        return 1024;
    case 2:
        return 25600;
    default:
        return 0;
    }
}

int PictureSet::conversionCapacity(int format)
{
    return format == 2 ? 26112 : (format == 1 ? 1536 : 1024);
}

QString PictureSet::defaultPath(int format, int slot)
{
    if (format < 0 || format > 2 || slot < 0 || slot >= slotCount(format))
        return QString();
    return QString::fromLatin1(defaultSetPatterns[format]).arg(slot + 1);
}

QString PictureSet::folderFor(const QString &serial)
{
    if (serial.isEmpty())
        return QString();
    return QDir::currentPath() + QLatin1Char('/') + serial + QLatin1Char('/');
}

bool PictureSet::storedPictureFits(int format, const QImage &image)
{
    if (image.isNull())
        return false;
    return format == 1 || (format == 0 && image.width() * image.height() / 8 == 512);
}

QString PictureSet::folderFile(int slot) const
{
    if (m_folder.isEmpty() || slot < 0 || slot >= count())
        return QString();
    return m_folder + QString::number(slot + 1) + QStringLiteral(".bmp");
}

void PictureSet::setFile(int slot, const QString &path)
{
    if (slot < 0 || slot >= count())
        return;
    while (m_files.size() <= slot)
        m_files.append(QString());
    m_files[slot] = path;
}

bool PictureSet::isDefault(int slot) const
{
    return file(slot) == defaultPath(m_format, slot);
}

void PictureSet::resetToDefaults()
{
    m_files.clear();
    for (int slot = 0; slot < count(); ++slot)
        m_files.append(defaultPath(m_format, slot));
    markAll();
}

void PictureSet::resetSlot(int slot)
{
    setFile(slot, defaultPath(m_format, slot));
}

void PictureSet::loadFromFolder()
{
    const bool useFolder = m_format != 2 && !m_folder.isEmpty() && QFileInfo(m_folder).isDir();
    m_files.clear();
    for (int slot = 0; slot < count(); ++slot) {
        const QString stored = folderFile(slot);
        // readPicture never opens anything but a regular file (a named pipe could block).
        const bool fits = useFolder && storedPictureFits(m_format, BMP::readPicture(stored));
        m_files.append(fits ? stored : defaultPath(m_format, slot));
    }
    markAll();
}

quint16 PictureSet::allSlotsMask() const
{
    return quint16((1u << count()) - 1u);
}

bool PictureSet::isMarked(int slot) const
{
    return slot >= 0 && slot < count() && (m_writeMask & (1u << slot));
}

void PictureSet::mark(int slot)
{
    if (slot >= 0 && slot < count())
        m_writeMask |= quint16(1u << slot);
}

void PictureSet::unmark(int slot)
{
    if (slot >= 0 && slot < count())
        m_writeMask &= quint16(~(1u << slot));
}

QVector<int> PictureSet::slotsToWrite() const
{
    QVector<int> slotList;
    for (int slot = 0; slot < count(); ++slot) {
        if (isColour() || isMarked(slot))
            slotList.append(slot);
    }
    return slotList;
}
