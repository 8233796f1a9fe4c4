#include "app/WindowFrame.h"

void set_round_region(HWND hwnd, SIZE corner) {
  if (::IsIconic(hwnd) || (corner.cx == 0 && corner.cy == 0)) return;
  RECT window{};
  ::GetWindowRect(hwnd, &window);
  ::OffsetRect(&window, -window.left, -window.top);
  HRGN region = ::CreateRoundRectRgn(0, 0, window.right + 1, window.bottom + 1, corner.cx, corner.cy);
  if (!region) return;
  // The window owns the region once it is set; only a refused one is ours.
  if (!::SetWindowRgn(hwnd, region, TRUE)) ::DeleteObject(region);
}
