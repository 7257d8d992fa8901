#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The layout of a dialog as the screen shows it now, checked: every shown control lies inside the
// client area, no text is cut off by its control, no two texts (nor a text and the banner) lie on
// top of each other, and the banner is drawn over its place. One line per fault; none when it holds.
// `bannerPlace` is the control whose rectangle the banner is drawn in (hidden itself).
std::vector<std::string> LayoutFaults(HWND dialog, int bannerPlace);
