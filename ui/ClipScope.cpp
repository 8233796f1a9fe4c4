#include "ui/ClipScope.h"

namespace ui {

ClipScope::ClipScope(HDC dc, const RECT& rect) : dc_(dc) {
    RegionHandle region(::CreateRectRgnIndirect(&rect));
    narrow(region.get());
}

ClipScope::ClipScope(HDC dc, const RECT& rect, int ellipse_width, int ellipse_height) : dc_(dc) {
    RegionHandle region(
        ::CreateRoundRectRgn(rect.left, rect.top, rect.right + 1, rect.bottom + 1, ellipse_width, ellipse_height));
    narrow(region.get());
}

void ClipScope::narrow(HRGN region) {
    RegionHandle saved(::CreateRectRgn(0, 0, 0, 0));
    if (::GetClipRgn(dc_, saved.get()) == 1) previous_ = std::move(saved);
    if (region) ::ExtSelectClipRgn(dc_, region, RGN_AND);
}

ClipScope::~ClipScope() { ::SelectClipRgn(dc_, previous_.get()); }

}  // namespace ui
