#ifndef PICTURES_RESOURCEJOB_H
#define PICTURES_RESOURCEJOB_H

#include "device/session.h"
#include "pictures/resourcefile.h"
#include "pictures/resourcejobs.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// The user resource file job, shared by the window and the command line: what a save writes
// (the session's pictures and curves, with the group a front end is editing), and what a load
// does (the identity and CRC checks, the pictures stored into the picture folder, the curves
// stored into the session). The front ends ask for the file name and show the outcome.

// The curve group that a front end edits and has not stored into the session yet (the window's
// curve widget); its points replace the stored group's when the file is written.
struct EditedCurveGroup
{
    int group = -1; // 0-based; -1: none, every group comes from the session
    Curve points{};
};

// The compiled-in default picture of slot (0-based) of a screen format (0 to 2); empty for any
// other format or slot.
QString defaultPicturePath(int format, int slot);

// The picture set of a device of the format with count slots, as it stands in its picture
// folder: slot n is <folder>/<n + 1>.bmp where that is a regular file holding a picture that
// fits the format, else the default picture. The colour format always takes the defaults; so
// does every format when folder is empty or missing.
QStringList pictureSetFromFolder(int format, int count, const QString &folder);

// What a save of the given sections writes, from the session and the edited groups.
ResourceFile::Contents resourceContents(unsigned sections, const EditedCurveGroup &temp,
                                        const EditedCurveGroup &power);

// Writes the file atomically. A failure (the folder cannot be written, the disk is full) keeps
// any earlier file as it was and gives false, with the reason in *error when it is not null.
bool writeResourceFile(const QString &path, unsigned sections, const EditedCurveGroup &temp,
                       const EditedCurveGroup &power, QString *error = nullptr);

struct ResourceLoad
{
    enum Status {
        Loaded, // the identity matched; see the events for each line
        Unreadable, // the file cannot be opened (or is not a regular file)
        Corrupted, // the identity line is missing or damaged
        OtherDevice // the file belongs to another device
    };
    Status status = Unreadable;
    int identityLine = 0;
    quint16 fileDeviceId = 0; // OtherDevice: the identifier the file names
    QVector<ResourceLoadEvent> events;
    bool picturesChanged = false; // a picture line held a picture (the page shows the set anew)

    bool hasProblems() const;
};

// Reads the file for the connected device (deviceId, pictureCount) and loads the sections
// asked for. Pictures go to the picture folder (see pictureFolderPath()) and into the session's
// picture files, with every slot marked for the next write; curves go into the session's groups
// (converted to the shown temperature unit and kept inside the ranges).
ResourceLoad readResourceFile(const QString &path, unsigned sections);

#endif // PICTURES_RESOURCEJOB_H
