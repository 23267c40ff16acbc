#ifndef APP_SCREENSHOTDRIVER_H
#define APP_SCREENSHOTDRIVER_H

class MainWindow;

// Test support for tools/screenshots.sh: the environment variable KORLEX_SCREENSHOT_STEP puts
// the window into the state one screenshot shows, by the clicks a user would make, once the
// first device has connected. Values: "welcome", "device" (the device page), "upgrade=<file>"
// (the upgrade page, the file loaded and the upgrade started), "pictures" (the picture tab),
// "editor" (the picture editor of the first picture), "parameters", "curves" (the temperature
// curve tab), "power" (the power curve tab). Unset, nothing happens.
namespace ScreenshotDriver {

void startFromEnvironment(MainWindow &window);

} // namespace ScreenshotDriver

#endif // APP_SCREENSHOTDRIVER_H
