#include "ui/GdiplusSession.h"

#include <objidl.h>

#include <algorithm>

namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

namespace ui {

ULONG_PTR start_gdiplus() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return 0;
    return token;
}

void stop_gdiplus(ULONG_PTR token) {
    if (token) Gdiplus::GdiplusShutdown(token);
}

}  // namespace ui
