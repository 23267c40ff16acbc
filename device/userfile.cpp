#include "device/userfile.h"

#include <QFileInfo>
#include <QSaveFile>

bool writeUserFile(const QString &path, const QByteArray &data, QString *error)
{
    QSaveFile file(path);
    // Unbuffered, so that every write reaches the file system before commit() is asked to
    // rename: a buffered tail that fails to flush at commit would otherwise replace the old
    // file with a short one and still report success.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.write(data) != data.size() || !file.flush()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool isRegularUserFile(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}
