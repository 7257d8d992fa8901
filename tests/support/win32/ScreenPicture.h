#pragma once
#include <windows.h>

#include <string>

// Copies `area` of the screen, as it is shown now, into a 24-bit BMP file. False when the file
// cannot be written.
bool SaveScreenPicture(const RECT& area, const std::wstring& path);
