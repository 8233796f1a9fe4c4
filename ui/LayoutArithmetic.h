#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace ui {

// The size constraints of one child in a flow layout. A size of 0 means
// "the layout decides"; max values are already at least the min values.
struct LayoutChild {
    RECT margins{};
    int fixed_width = 0;
    int fixed_height = 0;
    int min_width = 0;
    int max_width = 9999;
    int min_height = 0;
    int max_height = 9999;
};

// Asks child `index` for its size within the given limits.
using MeasureChild = std::function<SIZE(size_t index, SIZE limits)>;

enum class ChildAlign { Start, Center, End };

// Stacks the children top to bottom inside area. Children that measure a
// height of 0 share what the others leave, the last of them taking the
// rounding remainder. Returns one absolute rectangle per child.
std::vector<RECT> layout_vertical(const RECT& area, const std::vector<LayoutChild>& children, int spacing,
                                  ChildAlign align, const MeasureChild& measure);

// The same left to right; a child without a fixed width always stretches.
std::vector<RECT> layout_horizontal(const RECT& area, const std::vector<LayoutChild>& children, int spacing,
                                    ChildAlign align, const MeasureChild& measure);

// Where a floating child lies relative to its container's top-left corner:
// its fixed position and size plus fractions of the container's size.
RECT floating_rect(SIZE container, SIZE fixed_xy, SIZE fixed_size, double fraction_left, double fraction_top,
                   double fraction_right, double fraction_bottom);

// The current page of a tab layout: at the area's top-left (area = the
// container less its inset and the page's margins), measured size where 0
// means the whole area, clamped to the page's limits.
RECT tab_page_rect(const RECT& area, const LayoutChild& page, SIZE measured);

}  // namespace ui
