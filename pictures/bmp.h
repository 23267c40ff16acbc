#ifndef PICTURES_BMP_H
#define PICTURES_BMP_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Conversion between BMP files and the LCD byte layouts of the devices.
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
// Every function takes the capacity of its output buffer and never writes past it; a negative
// result means the conversion failed.
namespace BMP {

// Loads a BMP file (a file path or a resource path) and turns it into monochrome LCD bytes.
// Pixels whose luminance is at least 128 are light. lightIsSet true: light pixels give set
// bits (the device's layout); false: dark pixels do. Result: bytes written, or negative.
int bmp8ToLcdColRowData(quint8 *out, const QString &path, bool lightIsSet, int capacity);

// Loads a BMP file and turns it into colour LCD bytes. Result: bytes written, or negative.
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
