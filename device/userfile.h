#ifndef DEVICE_USERFILE_H
#define DEVICE_USERFILE_H

#include <QByteArray>
#include <QString>

// Files that the user keeps (pictures, resource files, exports) are written through here: the
// new contents go to a temporary file that replaces the old one only when every byte reached
// the disk. A full disk or a read-only folder leaves the previous file as it was and gives
// false, with the reason in *error when it is not null.
bool writeUserFile(const QString &path, const QByteArray &data, QString *error = nullptr);

// Whether path names something that may be opened as a picture or data file: a regular file (or
// a link to one, or a compiled-in resource). Named pipes, devices and sockets are never opened,
// since reading them could block for ever.
bool isRegularUserFile(const QString &path);

#endif // DEVICE_USERFILE_H
