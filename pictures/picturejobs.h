#ifndef PICTURES_PICTUREJOBS_H
#define PICTURES_PICTUREJOBS_H

#include "device/job.h"
#include "pictures/pictureset.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// The BMP file of a picture read from a mono device (the 62-byte header and the pixel array);
// empty when the reply does not carry a whole picture.
QByteArray pictureFileFromReply(const QByteArray &frame, int format);

// Whether folder can take files: it is made when missing and a file is tried in it. False with
// the operating system's reason ("Permission denied", "No space left on device").
bool folderIsWritable(const QString &folder, QString *reason);

// Whether a picture file makes a picture the device of the format takes: the conversion a
// write makes reads it (a regular file only) and gives the format's LCD bytes.
bool pictureFileConverts(const QString &file, int format);

// The time a read of all pictures may take: 10 s, or the timing's forced limit.
int pictureReadTimeLimitMs(const LinkTiming &timing);

// The jobs that read a mono device's pictures into files.
class PictureReadingJob : public Job
{
    Q_OBJECT

protected:
    using Job::Job;
    // Reads all twelve pictures and saves them as <folder>/1.bmp ... 12.bmp. The folder is
    // checked first, so that nothing is read from the device that could not be kept. A slot
    // that fails does not keep the next ones from being read, unless nothing more can come (low
    // battery, the device gone, a cancel or the time limit). Each file is written atomically;
    // a slot that could not be saved keeps its file. Every slot's outcome goes to the result.
    bool readPictures(const QString &folder, quint16 address, int format);
};

// Reads all twelve pictures of a mono device into <folder>/1.bmp ... 12.bmp (the device's
// picture folder when folder is empty); the device's picture set shows what arrived.
class PictureReadJob : public PictureReadingJob
{
    Q_OBJECT

public:
    PictureReadJob(Device *device, const QString &folder = QString(), QObject *parent = nullptr);
    ~PictureReadJob() override;
    QString folder() const { return m_folder; }

protected:
    JobCause prepare() override;
    void run() override;
    void apply() override;

private:
    QString m_folder;
    quint16 m_address = 0;
    int m_format = 0;
};

// One picture to write: the slot (0-based) and the file (a picture file or a compiled-in
// resource) it comes from.
struct PictureInput
{
    int slot = 0;
    QString file;
};

// Writes pictures to the device. Mono formats take the given slots one by one; the colour
// format takes its ten pictures at once. A picture that cannot be converted, or that the device
// refuses or does not answer, fails on its own and the following ones are still tried, unless
// nothing more can be sent (low battery, the device gone, a cancel or the time limit). The
// result lists every slot with what became of it; the slots written lose their marks.
class PictureWriteJob : public Job
{
    Q_OBJECT

public:
    PictureWriteJob(Device *device, const QVector<PictureInput> &pictures,
                    QObject *parent = nullptr);
    // The marked slots of the device's picture set (every slot of a colour set).
    explicit PictureWriteJob(Device *device, QObject *parent = nullptr);
    ~PictureWriteJob() override;
    QVector<PictureInput> pictures() const { return m_inputs; }

protected:
    JobCause prepare() override;
    void run() override;
    void apply() override;

private:
    bool m_fromSet = false;
    QVector<PictureInput> m_inputs;
    quint16 m_address = 0;
    int m_format = 0;
};

#endif // PICTURES_PICTUREJOBS_H
