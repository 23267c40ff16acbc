#ifndef PICTURES_BMP_H
#define PICTURES_BMP_H

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QtGlobal>

// Reading picture files, and conversion between pictures and the LCD byte layouts of the devices.
//
// Monochrome LCD layout (128 x 32 and 64 x 128 screens): the picture is cut into pages of eight
// pixel rows; each page is one byte per column, left to right, the least significant bit being
// the top row of the page; pages follow each other from the top. A set bit is a lit (light)
// pixel. 128 x 32 gives 4 pages of 128 bytes (512 bytes), 64 x 128 gives 16 pages of 64 bytes
// (1024 bytes).
//
// Colour LCD layout (80 x 160 screens): RGB565, two bytes per pixel, high byte first, rows from
// the top, pixels from the left (25600 bytes).
//
// Every conversion takes the capacity of its output buffer and never writes past it; a negative
// result means the conversion failed.
namespace BMP {

// No picture wider or higher than this is read.
constexpr int MaxPictureSide = 4096;

// The most pixels that a picture file of fileSize bytes may unpack to: a megapixel for any
// file, 64 pixels per byte for larger ones, never more than MaxPictureSide squared. A few bytes
// of run-length data can announce a picture of any size; this keeps the memory a read takes in
// proportion to the file.
qint64 pixelBudget(qint64 fileSize);

// Reads a picture file or a compiled-in resource path (":/..."). The format is told by the
// content, not by the name, so any picture Qt reads is read (a PNG saved as "3.bmp" too).
// Refused before anything is decoded: what is not a regular file, a file larger than the largest
// picture needs, a picture that is larger than MaxPictureSide on a side or than the pixel
// budget of its file, and a BMP file that is cut short (it holds less pixel data than its
// headers announce). A null image on failure, with the reason, naming the file, in *error when
// it is not null.
//
// A picture decodes to the same pixels on every read: pixels that the escapes of a run-length
// BMP pass over take the colour of palette entry 0, and pixel values that a short palette has
// no colour for are black.
QImage readPicture(const QString &path, QString *error = nullptr);

// The same for a picture imported into a slot of slotSize: a photo is turned upright by its
// orientation tag, and a drawing without pixels of its own (SVG) is drawn at the largest size
// that fits the slot, keeping its aspect ratio.
QImage readImportPicture(const QString &path, const QSize &slotSize, QString *error = nullptr);

// The same for the bytes of a picture file in memory, read in the given format only (such as
// "bmp"): bytes of another format are refused rather than handed to whichever reader knows them.
QImage readPicture(const QByteArray &data, const QByteArray &format, QString *error = nullptr);

// Reads a picture (as readPicture) and turns it into monochrome LCD bytes. Pixels whose
// luminance is at least 128 are light. lightIsSet true: light pixels give set bits (the device's
// layout); false: dark pixels do. Result: bytes written, or negative.
int bmp8ToLcdColRowData(quint8 *out, const QString &path, bool lightIsSet, int capacity);

// Reads a picture and turns it into colour LCD bytes. Result: bytes written, or negative.
int bmp24ToLcdData(quint8 *out, const QString &path, int capacity);

// Turns monochrome LCD bytes (lcdSize of them) into the pixel array of a bottom-up 1-bit BMP
// of width x height with rows padded to four bytes. invert false: a set LCD bit gives bit value
// 1; true: bit value 0. Result: bytes written, or negative when the LCD bytes are fewer than
// the picture needs or the output does not fit.
int lcdColRowDataToBmp8(quint8 *out, const quint8 *lcd, int width, int height, bool invert,
                        int lcdSize, int capacity);

// The 62-byte header (file header, information header, two-colour palette) put in front of a
// picture read from a device of screen format 0 (128 x 32) or 1 (64 x 128); empty otherwise.
QByteArray monoBmpHeader(int screenFormat);

} // namespace BMP

#endif // PICTURES_BMP_H
