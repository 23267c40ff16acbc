#ifndef PICTURES_BMPDECODER_H
#define PICTURES_BMPDECODER_H

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

// A BMP reader on Qt Core alone (no QImage in the device link).
//
// Reads the core (12-byte) and information (40, 52, 56, 108 and 124-byte) headers at 1, 4, 8,
// 16, 24 and 32 bits per pixel, uncompressed, with bit-field masks, and run-length encoded at 4
// and 8 bits; rows bottom-up or top-down (negative height). Every size and offset in the file
// is checked against the data before it is used; anything inconsistent or truncated fails the
// load and leaves the image null. Pictures larger than MaxDimension on either side are
// refused. Alpha channels are not kept: pixels are opaque RGB.
class BmpImage
{
public:
    enum : int { MaxDimension = 4096 };

    BmpImage() = default;

    // Loads a file or a Qt resource path (":/..."). Returns false and leaves the image null when
    // the file cannot be read or is not a BMP this reader understands.
    bool load(const QString &path);
    bool loadFromData(const QByteArray &data);

    bool isNull() const { return m_width == 0; }
    int width() const { return m_width; }
    int height() const { return m_height; }

    // 0x00RRGGBB of the pixel at column x, row y (row 0 at the top). Coordinates are not
    // checked beyond a debug assertion.
    quint32 pixel(int x, int y) const
    {
        Q_ASSERT(x >= 0 && x < m_width && y >= 0 && y < m_height);
        return m_pixels[y * m_width + x];
    }

    // Integer luminance 0..255 of a pixel: (299 R + 587 G + 114 B) / 1000.
    int luminance(int x, int y) const;

    // Why the last load failed; empty after a successful one.
    QString errorString() const { return m_error; }

private:
    bool fail(const QString &why);

    int m_width = 0;
    int m_height = 0;
    QVector<quint32> m_pixels;
    QString m_error;
};

#endif // PICTURES_BMPDECODER_H
