#ifndef RESOURCES_ART_LCDPICTURES_H
#define RESOURCES_ART_LCDPICTURES_H

#include <QImage>
#include <QSize>

// The default pictures that the device shows on its LCD, one per slot:
// 1 power-on logo, 2 detecting coil, 3 coil resistance too high, 4 no coil, 5 coil short circuit,
// 6 puff time-out, 7 locked, 8 unlocked, 9 power-off logo, 10 battery voltage too low,
// 11 battery low, 12 over-temperature.
namespace LcdPictures {

enum class Screen {
    Mono128x32, // one bit per pixel
    Mono64x128, // one bit per pixel
    Colour80x160 // 24-bit colour; slots 1 to 10 only
};

QSize screenSize(Screen screen);
int slotCount(Screen screen);

// Draws slot (1-based) for the screen on a black background. Monochrome screens get an RGB32
// image holding only black and white pixels; white pixels are the lit ones.
QImage draw(Screen screen, int slot);

} // namespace LcdPictures

#endif // RESOURCES_ART_LCDPICTURES_H
