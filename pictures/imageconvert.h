#ifndef PICTURES_IMAGECONVERT_H
#define PICTURES_IMAGECONVERT_H

#include <QImage>
#include <QSize>

// Turning any picture into what an LCD picture slot can show: scaled to fit the slot and centred
// on the dark LCD background, then either one bit per pixel (a luminance threshold, optionally
// with Floyd-Steinberg error diffusion) or the 16-bit colour of the colour screens. Plain
// functions on QImage, with no widgets, so that the editor, tests and tools share them.
namespace ImageConvert {

// The threshold at which the LCD conversion counts a pixel as lit.
constexpr int DefaultThreshold = 128;

// Luminance 0..255 as the LCD conversion computes it: (299 R + 587 G + 114 B) / 1000.
int luminance(QRgb pixel);

// The picture scaled to fit size, keeping its aspect ratio, and centred on black; transparent
// parts become black as well. Shrinking averages (smooth), enlarging repeats pixels, which keeps
// small drawings crisp. A null picture or an empty size gives a null image. Format_RGB32.
QImage fitToSlot(const QImage &image, const QSize &size);

// One bit per pixel: a pixel is lit (white) when its luminance is at least threshold (0..255),
// dark otherwise. With dither the difference between each pixel and the value it got is spread
// over its not yet visited neighbours (7/16 right, 3/16 below left, 5/16 below, 1/16 below
// right), so grey areas come out as dot patterns of the matching density. Format_Mono with
// colour 0 black and colour 1 white; a null picture gives a null image.
QImage toMonochrome(const QImage &image, int threshold, bool dither);

// The colours an RGB565 screen shows: red and blue cut to 5 bits, green to 6, each spread back
// to 8 bits as the screen does (the top bits repeated below). Format_RGB32.
QImage toRgb565(const QImage &image);

} // namespace ImageConvert

#endif // PICTURES_IMAGECONVERT_H
