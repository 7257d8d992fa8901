#include "tools/gallery/DialogLayout.h"

#include <commctrl.h>

#include <cstdio>
#include <optional>

namespace {

// Messages of the version 6 common controls that this build's headers (Windows 2000) leave out.
constexpr UINT kButtonIdealSize = BCM_FIRST + 0x0001;  // BCM_GETIDEALSIZE
constexpr UINT kLinkIdealSize = LM_GETIDEALHEIGHT;     // LM_GETIDEALSIZE when lParam points to a SIZE

// How far inside its place's edges the banner's pixels are looked at: a banner scaled to fit may
// fall short of an edge by a pixel of rounding.
constexpr LONG kBannerEdgeInset = 2;

struct Area {
    std::string name;
    RECT rect;  // in the dialog's client coordinates
};

std::string Named(HWND control) {
    char kind[64] = {};
    GetClassNameA(control, kind, sizeof kind);
    return "control " + std::to_string(GetDlgCtrlID(control)) + " (" + kind + ")";
}

std::string Describe(const RECT& r) {
    char text[64];
    std::snprintf(text, sizeof text, "(%ld, %ld)-(%ld, %ld)", r.left, r.top, r.right, r.bottom);
    return text;
}

std::wstring TextOf(HWND control) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, &text[0], static_cast<int>(text.size()))));
    return text;
}

// A device context for measuring a control's text in the control's own font.
class FontContext {
public:
    explicit FontContext(HWND control)
        : control_(control),
          dc_(GetDC(control)),
          previous_(SelectObject(dc_, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)))) {}
    ~FontContext() {
        SelectObject(dc_, previous_);
        ReleaseDC(control_, dc_);
    }
    FontContext(const FontContext&) = delete;
    FontContext& operator=(const FontContext&) = delete;
    HDC Dc() const { return dc_; }

private:
    HWND control_;
    HDC dc_;
    HGDIOBJ previous_;
};

// The part of a control's client area its text covers, in the control's client coordinates, as the
// control lays it out (the whole of a progress bar); nullopt for a control without text. `room` is
// the control's client area.
std::optional<RECT> Cover(HWND control, const RECT& room) {
    char kind[64] = {};
    GetClassNameA(control, kind, sizeof kind);
    if (lstrcmpiA(kind, PROGRESS_CLASSA) == 0) return room;
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    const std::wstring text = TextOf(control);
    if (lstrcmpiA(kind, "Button") == 0) {
        SIZE ideal{};
        SendMessageW(control, kButtonIdealSize, 0, reinterpret_cast<LPARAM>(&ideal));
        const LONG type = style & BS_TYPEMASK;
        if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX) {  // box and text, centred from top to bottom
            const LONG top = (room.bottom - ideal.cy) / 2;
            return RECT{0, top, ideal.cx, top + ideal.cy};
        }
        const LONG left = (room.right - ideal.cx) / 2, top = (room.bottom - ideal.cy) / 2;
        return RECT{left, top, left + ideal.cx, top + ideal.cy};  // a push button: its text, centred
    }
    if (text.empty()) return std::nullopt;
    if (lstrcmpiA(kind, "SysLink") == 0) {
        SIZE ideal{};
        SendMessageW(control, kLinkIdealSize, static_cast<WPARAM>(room.right), reinterpret_cast<LPARAM>(&ideal));
        return RECT{0, 0, ideal.cx, ideal.cy};
    }
    FontContext font(control);
    if (lstrcmpiA(kind, "Edit") == 0) {  // multi-line: as many lines as it wraps to, from its text frame's top
        RECT frame{};
        SendMessageW(control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&frame));
        TEXTMETRICW metrics{};
        GetTextMetricsW(font.Dc(), &metrics);
        const auto lines = static_cast<LONG>(SendMessageW(control, EM_GETLINECOUNT, 0, 0));
        return RECT{frame.left, frame.top, frame.right, frame.top + lines * metrics.tmHeight};
    }
    // A static text: left-aligned and word-wrapped.
    RECT cover{0, 0, room.right, 0};
    UINT flags = DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS;
    if ((style & SS_NOPREFIX) != 0) flags |= DT_NOPREFIX;
    DrawTextW(font.Dc(), text.c_str(), -1, &cover, flags);
    return cover;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

RECT InClient(HWND dialog, HWND control, RECT rect) {
    MapWindowPoints(control, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Whether the screen shows the dialog's background at the point of its client area.
bool ShowsBackground(HWND dialog, POINT point) {
    ClientToScreen(dialog, &point);
    HDC screen = GetDC(nullptr);
    const COLORREF shown = GetPixel(screen, point.x, point.y);
    ReleaseDC(nullptr, screen);
    return shown == GetSysColor(COLOR_BTNFACE);
}

// The banner is drawn from its place's top-left corner, as large as the place allows in one
// direction at least: it reaches the place's right or its bottom edge.
void CheckBanner(HWND dialog, const RECT& place, std::vector<std::string>& faults) {
    const POINT corner{place.left + kBannerEdgeInset, place.top + kBannerEdgeInset};
    const POINT right{place.right - 1 - kBannerEdgeInset, place.top + kBannerEdgeInset};
    const POINT bottom{place.left + kBannerEdgeInset, place.bottom - 1 - kBannerEdgeInset};
    if (ShowsBackground(dialog, corner))
        faults.push_back("the banner is not drawn at its place " + Describe(place));
    else if (ShowsBackground(dialog, right) && ShowsBackground(dialog, bottom))
        faults.push_back("the banner reaches neither edge of its place " + Describe(place));
}

}  // namespace

std::vector<std::string> LayoutFaults(HWND dialog, int bannerPlace) {
    std::vector<std::string> faults;
    RECT client{}, window{};
    GetClientRect(dialog, &client);
    GetWindowRect(dialog, &window);
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (!Inside(window, screen)) faults.push_back("the dialog " + Describe(window) + " does not fit on the screen");

    std::vector<Area> covered;  // what each shown text and the banner cover
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
        const std::string name = Named(control);
        RECT room{};
        GetClientRect(control, &room);
        if (GetDlgCtrlID(control) == bannerPlace) {
            const RECT place = InClient(dialog, control, room);
            if (!Inside(place, client))
                faults.push_back("the banner's place " + Describe(place) + " leaves the dialog");
            CheckBanner(dialog, place, faults);
            covered.push_back({"the banner", place});
            continue;
        }
        if (!IsWindowVisible(control)) continue;
        RECT whole{};
        GetWindowRect(control, &whole);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&whole), 2);
        if (!Inside(whole, client)) faults.push_back(name + " " + Describe(whole) + " leaves the dialog");
        std::optional<RECT> text = Cover(control, room);
        if (!text) continue;
        if (!Inside(*text, room))
            faults.push_back(name + ": its text needs " + Describe(*text) + ", more than its " + Describe(room));
        covered.push_back({name, InClient(dialog, control, *text)});
    }
    for (size_t a = 0; a < covered.size(); ++a) {
        for (size_t b = a + 1; b < covered.size(); ++b) {
            RECT both{};
            if (IntersectRect(&both, &covered[a].rect, &covered[b].rect))
                faults.push_back(covered[a].name + " " + Describe(covered[a].rect) + " and " + covered[b].name + " " +
                                 Describe(covered[b].rect) + " overlap");
        }
    }
    return faults;
}
