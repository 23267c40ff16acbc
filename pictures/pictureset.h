#ifndef PICTURES_PICTURESET_H
#define PICTURES_PICTURESET_H

#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

class QImage;

// The LCD pictures of a device: one file per slot (a picture file or a compiled-in default) and
// the slots changed since they were last written. The set owns the rules about them: the screen
// formats' sizes and slot counts, the compiled-in defaults, the picture folder named after the
// device's serial number, which stored pictures may stand for a slot, and which slots a write
// sends (the marked ones; a colour screen takes all its pictures at once).
class PictureSet
{
public:
    static constexpr int MaxSlots = 12;

    PictureSet() = default;
    // A set of the format's defaults; folder is the device's picture folder (may be empty).
    PictureSet(int format, const QString &folder);

    // Twelve slots for the mono formats 0 (128 x 32) and 1 (64 x 128), ten for the colour
    // format 2 (80 x 160), none for any other.
    static int slotCount(int format);
    static QSize pictureSize(int format);
    // LCD bytes of one picture: 512, 1024 or 25600; 0 for no pictures.
    static int lcdBytes(int format);
    // The buffer a conversion of a picture file into LCD bytes is given.
    static int conversionCapacity(int format);
    // The compiled-in default picture of a slot (0-based); empty for any other format or slot.
    static QString defaultPath(int format, int slot);
    // <working folder>/<serial>/, where the device's pictures are kept; empty without a serial.
    static QString folderFor(const QString &serial);
    // Whether a stored picture may stand for a slot of the format (the colour set always comes
    // from the defaults).
    static bool storedPictureFits(int format, const QImage &image);

    int format() const { return m_format; }
    int count() const { return slotCount(m_format); }
    bool isColour() const { return m_format == 2; }
    QString folder() const { return m_folder; }
    // The file of slot (0-based) in the picture folder: <folder>/<slot + 1>.bmp.
    QString folderFile(int slot) const;

    QString file(int slot) const { return m_files.value(slot); }
    QStringList files() const { return m_files; }
    void setFile(int slot, const QString &path);
    bool isDefault(int slot) const;

    // Every slot back to its default, all marked.
    void resetToDefaults();
    void resetSlot(int slot);
    // Each slot from the picture folder where a fitting picture is stored there, else its
    // default; all marked, so that the next write sends the whole set.
    void loadFromFolder();

    quint16 writeMask() const { return m_writeMask; }
    quint16 allSlotsMask() const;
    bool isMarked(int slot) const;
    void mark(int slot);
    void markAll() { m_writeMask = allSlotsMask(); }
    void unmark(int slot);
    void clearMarks() { m_writeMask = 0; }
    // The slots (0-based) that a write sends: the marked ones, or every slot of a colour set.
    QVector<int> slotsToWrite() const;

private:
    int m_format = 3;
    QString m_folder;
    QStringList m_files;
    quint16 m_writeMask = 0;
};

#endif // PICTURES_PICTURESET_H
