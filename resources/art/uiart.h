#ifndef RESOURCES_ART_UIART_H
#define RESOURCES_ART_UIART_H

#include <QImage>

// The pictures of the program's own interface.
namespace UiArt {

enum class WindowButton { Minimise, Maximise, Restore, Close };

// 32 x 24, transparent, a light glyph with a dark rim so that it reads on the grey button and on
// the white or red hover colour alike.
QImage windowButton(WindowButton button);

// Navigation icons (index 1 welcome, 2 device information, 3 firmware upgrade, 4 customise):
// a coloured tile with a white symbol, size x size pixels.
QImage navigationIcon(int index, int size);

// Title bar menu icons (index 5 system menu, 6 help menu): 100 x 30, light on transparent.
QImage menuIcon(int index);

// The product logo, 180 x 60, for the black title bar.
QImage logo();

// The welcome page picture, 1200 x 700.
QImage welcomePicture();

// The application icon, size x size pixels: the full drawing from 48 pixels up, a simplified one
// on the pixel grid below.
QImage applicationIcon(int size);

} // namespace UiArt

#endif // RESOURCES_ART_UIART_H
