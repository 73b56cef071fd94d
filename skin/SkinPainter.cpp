#include "skin/SkinPainter.h"

#include "skin/FrameGeometry.h"
#include "skin/GdiOwners.h"
#include "skin/SkinPrimitives.h"

#include <string>

namespace {

bool hasSizingBorder(HWND w) { return (GetWindowLongPtrA(w, GWL_STYLE) & WS_THICKFRAME) != 0; }

template <size_t N>
GdiRegion polygonRegion(HDC dc, const skin::Point (&pts)[N]) {
    POINT p[N];
    for (size_t i = 0; i < N; ++i) p[i] = {pts[i].x, pts[i].y};
    // An identity in the default mapping mode; kept so a dialog that changes
    // its mapping still gets its outline in device units.
    if (dc) DPtoLP(dc, p, static_cast<int>(N));
    return GdiRegion(CreatePolygonRgn(p, static_cast<int>(N), WINDING));
}

void joinInto(const GdiRegion& target, const GdiRegion& part) {
    if (part) CombineRgn(target.get(), target.get(), part.get(), RGN_OR);
}

skin::Rect toRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

void SkinPainter::ApplyWindowShape(HWND dialog) {
    RECT rc;
    if (!GetClientRect(dialog, &rc)) return;
    const skin::WindowShape s = skin::windowShapeFor(rc.right, rc.bottom);
    GdiRegion region;
    {
        WindowDC dc(dialog);
        POINT body[2] = {{s.body.left, s.body.top}, {s.body.right, s.body.bottom}};
        if (dc) DPtoLP(dc.get(), body, 2);
        region.reset(CreateRoundRectRgn(body[0].x, body[0].y, body[1].x, body[1].y, 2, 2));
        if (!region) return;
        joinInto(region, polygonRegion(dc.get(), s.captionTab));
        joinInto(region, polygonRegion(dc.get(), s.captionStrip));
        joinInto(region, polygonRegion(dc.get(), s.bottomTab));
    }
    if (hasSizingBorder(dialog))
        OffsetRgn(region.get(), GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CYDLGFRAME));
    // On success the region belongs to the window.
    if (SetWindowRgn(dialog, region.get(), TRUE)) region.release();
}

void SkinPainter::CenterOnMonitor(HWND window, HWND owner) {
    RECT wr;
    if (!GetWindowRect(window, &wr)) return;
    HMONITOR mon;
    RECT ref;
    if (owner) {
        mon = MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST);
        GetWindowRect(owner, &ref);
    } else {
        mon = MonitorFromWindow(GetDesktopWindow(), MONITOR_DEFAULTTOPRIMARY);
    }
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (!GetMonitorInfoA(mon, &mi)) return;
    if (!owner) ref = mi.rcWork;
    const skin::Point p = skin::centredPosition(wr.right - wr.left, wr.bottom - wr.top, toRect(ref), toRect(mi.rcWork));
    SetWindowPos(window, HWND_TOP, p.x, p.y, 0, 0, SWP_NOSIZE);
}

void SkinPainter::PaintFrame(HWND dialog, HDC dc) {
    RECT rc;
    if (!GetClientRect(dialog, &rc)) return;
    SkinDib image;
    if (!image.create(rc.right, rc.bottom)) return;  // left unpainted this time
    auto pic = [](int id) {
        const SkinDib* d = SkinBitmap(id);
        return d ? d->buffer() : skin::ConstPixelBuffer{};
    };
    skin::FrameBitmaps bm;
    bm.captionTab = pic(SkinCaptionTab);
    bm.captionEnd = pic(SkinCaptionEnd);
    bm.topRight = pic(SkinTopRight);
    bm.bottomLeft = pic(SkinBottomLeft);
    bm.bottomTab = pic(SkinBottomTab);
    bm.bottomRight = pic(SkinBottomRight);
    bm.bottomRightGrip = pic(SkinBottomRightGrip);
    const COLORREF c0 = SkinColors::color(SkinColor::Background);
    skin::composeFrame(image.buffer(), bm, hasSizingBorder(dialog),
                       skin::pixelValue(GetRValue(c0), GetGValue(c0), GetBValue(c0)));
    GdiFlush();
    image.blitTo(dc, 0, 0);
}

bool SkinPainter::HitCaption(HWND dialog, LPARAM lParam) {
    RECT rc;
    if (!GetClientRect(dialog, &rc)) return false;
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    return skin::hitCaption(rc.right, rc.bottom, x, y);
}

void SkinPainter::DrawSkinButton(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT rc = item.rcItem;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const COLORREF light = SkinColors::color(SkinColor::EdgeLight);
    const COLORREF dark = SkinColors::color(SkinColor::EdgeDark);
    Draw3dRect(dc, rc, selected ? dark : light, selected ? light : dark);
    InflateRect(&rc, -1, -1);
    FillSolidRect(dc, rc, SkinColors::color(SkinColor::Background));
    InflateRect(&rc, -2, 0);
    if (selected) OffsetRect(&rc, 1, 1);

    // The whole text: a world path fitted to its button can be longer than a
    // caption's 63 characters, and a cut path would show a wrong file.
    const int length = GetWindowTextLengthA(item.hwndItem);
    std::string buffer(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    GetWindowTextA(item.hwndItem, &buffer[0], static_cast<int>(buffer.size()));
    const char* text = buffer.c_str();
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = GetTextColor(dc);
    const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (IsWindowEnabled(item.hwndItem) && !(item.itemState & ODS_DISABLED)) {
        SetTextColor(dc, SkinColors::color(SkinColor::Text));
        DrawTextA(dc, text, -1, &rc, format);
    } else {
        // Embossed: a light copy one pixel down and right under the dark one.
        RECT shadow = rc;
        OffsetRect(&shadow, 1, 1);
        SetTextColor(dc, light);
        DrawTextA(dc, text, -1, &shadow, format);
        SetTextColor(dc, dark);
        DrawTextA(dc, text, -1, &rc, format);
    }
    // The focus as the system shows it on a button, a dotted frame inside
    // the edge, unless the window's keyboard cues are off.
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -3, -3);
        SetTextColor(dc, SkinColors::color(SkinColor::Text));
        const COLORREF oldBack = SetBkColor(dc, SkinColors::color(SkinColor::Background));
        if (focus.right > focus.left && focus.bottom > focus.top) DrawFocusRect(dc, &focus);
        SetBkColor(dc, oldBack);
    }
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
}

void PaintSkinEditBorder(HWND edit) {
    WindowDC windowDc(edit, WindowDC::Whole);
    if (!windowDc) return;
    HDC dc = windowDc.get();
    RECT wr;
    GetWindowRect(edit, &wr);
    OffsetRect(&wr, -wr.left, -wr.top);
    RECT inner = wr;
    InflateRect(&inner, -1, -1);
    Draw3dRect(dc, inner, RGB(0, 0, 0), SkinColors::color(SkinColor::Background));
    Draw3dRect(dc, wr, SkinColors::color(SkinColor::EdgeDark), SkinColors::color(SkinColor::EdgeLight));
}
