#ifndef RESOURCES_ART_IMAGEWRITERS_H
#define RESOURCES_ART_IMAGEWRITERS_H

#include <QByteArray>
#include <QImage>
#include <QList>

// Byte-exact encoders for the picture files that are compiled into the program. They are written
// by hand rather than through QImageWriter so that the bit depth of every file is fixed, whatever
// the Qt version or the image plugins installed.
namespace ImageWriters {

// An uncompressed bottom-up 1-bit BMP with a two-entry palette (62-byte header). A pixel whose
// grey value is at least 128 is light (lit on the LCD). lightBit is the bit value that stands
// for a light pixel: 1 gives the palette black, white; 0 gives white, black.
QByteArray monoBmp(const QImage &image, int lightBit = 1);

// An uncompressed bottom-up 24-bit BMP (54-byte header); alpha is dropped.
QByteArray rgbBmp(const QImage &image);

// An ICO file holding each image as a 32-bit BGRA bitmap with its transparency mask. Images must
// be 1 to 256 pixels on each side.
QByteArray ico(const QList<QImage> &images);

} // namespace ImageWriters

#endif // RESOURCES_ART_IMAGEWRITERS_H
