#pragma once
#include <windows.h>

// The dialog's picture banner: a JPEG resource of the executable, drawn upright at its pixel size on
// a screen of 96 pixels per inch and larger in proportion on a denser one, or smaller when its place
// is smaller (setup/BannerFit.h). A loaded banner stays for the life of the process, recorded with
// the window it belongs to.

// Loads the resource `id` of type "JPG", records it for `owner` in `place` (client coordinates:
// drawn from its top-left corner) and draws it at once. A missing or unreadable resource draws nothing.
void LoadBanner(HWND owner, int id, RECT place);

// Draws every banner that belongs to `owner`; on each WM_PAINT.
void DrawBanners(HWND owner, HDC dc);
