#pragma once

#include <windows.h>

#include "ui/GdiHandles.h"

namespace ui {

// Narrows a context's clip to a rectangle or a rounded rectangle (device
// coordinates) for the life of the scope, then puts the previous clip back.
class ClipScope {
public:
    ClipScope(HDC dc, const RECT& rect);
    ClipScope(HDC dc, const RECT& rect, int ellipse_width, int ellipse_height);
    ~ClipScope();
    ClipScope(const ClipScope&) = delete;
    ClipScope& operator=(const ClipScope&) = delete;

private:
    void narrow(HRGN region);

    HDC dc_;
    RegionHandle previous_;  // none when the context had no clip
};

}  // namespace ui
