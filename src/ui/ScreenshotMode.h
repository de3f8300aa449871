#pragma once
// For pictures of the program: with PAGEWELL_SCREENSHOT naming a PNG file, the
// window lists the blog at PAGEWELL_SCREENSHOT_ADDRESS (when given), saves a
// picture of itself into that file once the download has begun, and closes.
// Without it nothing happens.

namespace pw {

class MainWindow;

void ArmScreenshot(MainWindow& window);

}  // namespace pw
