#ifndef APP_SCREENSHOTDRIVER_H
#define APP_SCREENSHOTDRIVER_H

class MainWindow;

// Test support for tools/screenshots.sh: the environment variable KORLEX_SCREENSHOT_STEP puts
// the window into the state one screenshot shows, by the clicks a user would make, once the
// first device has connected. Values: "welcome", "device" (the device page), "upgrade=<file>"
// (the upgrade page, the file loaded and the upgrade started), "pictures" (the picture tab),
// "editor" (the picture editor of the first picture), "parameters", "curves" (the temperature
// curve tab), "power" (the power curve tab), "restore=<file>" (pictures and parameters of the
// user's own written to the device, then the upgrade with the file and its backup: with a
// virtual device started with the "factory" option the window ends offering to restore the
// backup). Unset, nothing happens.
namespace ScreenshotDriver {

void startFromEnvironment(MainWindow &window);

} // namespace ScreenshotDriver

#endif // APP_SCREENSHOTDRIVER_H
