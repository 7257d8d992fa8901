#include "setup/win32/Banner.h"

#include <ole2.h>
#include <olectl.h>

#include <cstring>
#include <forward_list>

#include "setup/BannerFit.h"

namespace {

struct Banner {
    IPicture* picture;
    SIZE pixels;
    POINT position;
    HWND owner;
    OLE_XSIZE_HIMETRIC himetricWidth;
    OLE_YSIZE_HIMETRIC himetricHeight;
};

std::forward_list<Banner>& Banners() {
    static auto& banners = *new std::forward_list<Banner>;  // kept for the life of the process
    return banners;
}

// The picture in a JPEG resource; nullptr when the resource is missing or does not load.
IPicture* LoadPicture(int id) {
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(id), L"JPG");
    if (resource == nullptr) return nullptr;
    DWORD size = SizeofResource(nullptr, resource);
    const void* bytes = LockResource(LoadResource(nullptr, resource));
    if (bytes == nullptr || size == 0) return nullptr;

    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    if (copy == nullptr) return nullptr;
    std::memcpy(GlobalLock(copy), bytes, size);
    GlobalUnlock(copy);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(copy, TRUE, &stream))) {  // the stream frees the copy
        GlobalFree(copy);
        return nullptr;
    }
    IPicture* picture = nullptr;
    if (FAILED(
            OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture, reinterpret_cast<void**>(&picture)))) {
        picture = nullptr;
    }
    stream->Release();
    return picture;
}

void Draw(const Banner& banner, HDC dc) {
    // A banner drawn larger or smaller than its pixels is resampled smoothly, not by dropping or
    // repeating whole rows and columns.
    const int previousMode = SetStretchBltMode(dc, HALFTONE);
    POINT previousOrigin{};
    SetBrushOrgEx(dc, 0, 0, &previousOrigin);  // as HALFTONE asks
    // The source rectangle starts at the bottom with a negative height: HIMETRIC runs upwards.
    banner.picture->Render(dc, banner.position.x, banner.position.y, banner.pixels.cx, banner.pixels.cy, 0,
                           banner.himetricHeight, banner.himetricWidth, -banner.himetricHeight, nullptr);
    SetBrushOrgEx(dc, previousOrigin.x, previousOrigin.y, nullptr);
    SetStretchBltMode(dc, previousMode);
}

}  // namespace

void LoadBanner(HWND owner, int id, RECT place) {
    IPicture* picture = LoadPicture(id);
    if (picture == nullptr) return;
    Banner banner{picture, {}, {place.left, place.top}, owner, 0, 0};
    picture->get_Width(&banner.himetricWidth);
    picture->get_Height(&banner.himetricHeight);
    HDC dc = GetDC(owner);
    const int pixelsPerInchX = GetDeviceCaps(dc, LOGPIXELSX), pixelsPerInchY = GetDeviceCaps(dc, LOGPIXELSY);
    PixelSize pixels{HimetricToPixels(banner.himetricWidth, pixelsPerInchX),
                     HimetricToPixels(banner.himetricHeight, pixelsPerInchY)};
    PixelSize room{static_cast<std::int32_t>(place.right - place.left),
                   static_cast<std::int32_t>(place.bottom - place.top)};
    PixelSize drawn = FitBanner(BannerSizeOnScreen(pixels, pixelsPerInchX, pixelsPerInchY), room);
    banner.pixels = {drawn.width, drawn.height};
    Banners().push_front(banner);
    Draw(banner, dc);
    ReleaseDC(owner, dc);
}

void DrawBanners(HWND owner, HDC dc) {
    for (const Banner& banner : Banners()) {
        if (banner.owner == owner) Draw(banner, dc);
    }
}
