#ifndef PICTURES_RESOURCEJOBS_H
#define PICTURES_RESOURCEJOBS_H

#include "parameters/curveset.h"
#include "pictures/picturejobs.h"
#include "pictures/resourcefile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// A picture as the user resource file carries it: the picture loaded (from a file or a
// compiled-in resource) and written as a BMP file in memory. Empty when it does not load.
QByteArray resourcePictureBytes(const QString &path);

// What a user resource file of the given sections holds for a device.
ResourceFile::Contents resourceContents(quint16 deviceId, unsigned sections,
                                        const QStringList &pictureFiles, const CurveSet &curves);

// Writes the user resource file atomically: a failure (the folder cannot be written, the disk
// is full) keeps any earlier file as it was and is reported with the system's reason.
bool writeResourceFile(const QString &path, const ResourceFile::Contents &contents,
                       QString *error = nullptr);

// Where the pictures of a saved file come from.
enum class ResourcePictures {
    Set, // the device's picture set as the user sees it (its working copy)
    Device, // read from the device first (mono formats)
    Folder // <folder>/1.bmp ... as given
};

// Saves the user resource file of a device: the identity line, then the sections asked for,
// the pictures from where the caller says and the curves as the device object holds them.
class ResourceSaveJob : public PictureReadingJob
{
    Q_OBJECT

public:
    ResourceSaveJob(Device *device, const QString &path, unsigned sections,
                    ResourcePictures pictures = ResourcePictures::Set,
                    const QString &pictureFolder = QString(), QObject *parent = nullptr);
    ~ResourceSaveJob() override;
    QString path() const { return m_path; }
    unsigned sections() const { return m_sections; }

protected:
    JobCause prepare() override;
    void run() override;

private:
    QString m_path;
    unsigned m_sections;
    ResourcePictures m_source;
    QString m_pictureFolder;
    quint16 m_deviceId = 0;
    int m_format = 3;
    QStringList m_files;
    CurveSet m_curves;
};

// One thing a load did, in file order.
struct ResourceLoadEvent
{
    enum Kind {
        PictureStored, // the picture was saved into the picture folder and marked for writing
        PictureNotStored, // the device has no picture folder (no serial number): not saved
        PictureCorrupted, // the line failed its CRC, or its bytes are no picture
        PictureUnwritable, // the picture could not be saved; the slot keeps its file
        TempLoaded,
        TempCorrupted,
        PowerLoaded,
        PowerCorrupted
    };
    Kind kind = PictureStored;
    int index = 0; // picture slot or curve group, 0-based
    int line = 0; // line of the file, from 1 (0: the line was missing at the end)
    QString error; // PictureUnwritable: why
    QString file; // PictureStored: the file it was saved as

    bool isProblem() const
    {
        return kind == PictureCorrupted || kind == PictureUnwritable || kind == TempCorrupted
               || kind == PowerCorrupted;
    }
};

// Loads a user resource file into a device's picture set and curves. The identity line must
// name the device; then every line is taken on its own: a line that passes its checks is
// loaded, a damaged one is named in the events and changes nothing (the pictures go to the
// picture folder and are marked for the next write; the curves go into the device object's
// curves, not to the device). A file that cannot be read, has no identity or names another
// device changes nothing at all.
class ResourceLoadJob : public Job
{
    Q_OBJECT

public:
    ResourceLoadJob(Device *device, const QString &path, unsigned sections,
                    QObject *parent = nullptr);
    ~ResourceLoadJob() override;
    // Every check, nothing stored: what a load would do.
    void setDryRun(bool dryRun) { m_dryRun = dryRun; }

    QString path() const { return m_path; }
    const QVector<ResourceLoadEvent> &events() const { return m_events; }
    bool hasProblems() const;
    // The file's identity: the device it names, and the line it stood on (0 when none).
    quint16 fileDeviceId() const { return m_fileDeviceId; }
    int identityLine() const { return m_identityLine; }
    QVector<int> storedPictures() const; // 0-based slots
    QVector<int> loadedTemperatureGroups() const;
    QVector<int> loadedPowerGroups() const;
    // The device's curves with the loaded groups in them.
    const CurveSet &curves() const { return m_curves; }

protected:
    JobCause prepare() override;
    void run() override;
    void apply() override;

private:
    QVector<int> indexesOf(ResourceLoadEvent::Kind kind) const;

    QString m_path;
    unsigned m_sections;
    bool m_dryRun = false;
    quint16 m_deviceId = 0;
    int m_count = 0;
    QString m_folder;
    CurveSet m_curves;
    QVector<ResourceLoadEvent> m_events;
    quint16 m_fileDeviceId = 0;
    int m_identityLine = 0;
};

#endif // PICTURES_RESOURCEJOBS_H
