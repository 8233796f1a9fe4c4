#include "ui/LayoutArithmetic.h"

#include <algorithm>

namespace ui {
namespace {

int clamp_to(int value, int low, int high) { return std::max(low, std::min(value, high)); }

// One child seen along the layout's main axis (height for a vertical
// layout) and its cross axis.
struct Oriented {
    int before, after;              // margins along the main axis
    int cross_before, cross_after;  // margins across
    int fixed_main, fixed_cross;
    int min_main, max_main;
    int min_cross, max_cross;
};

Oriented orient(const LayoutChild& c, bool vertical) {
    if (vertical) {
        return {c.margins.top,   c.margins.bottom, c.margins.left, c.margins.right, c.fixed_height, c.fixed_width,
                c.min_height,    c.max_height,     c.min_width,    c.max_width};
    }
    return {c.margins.left, c.margins.right, c.margins.top, c.margins.bottom, c.fixed_width, c.fixed_height,
            c.min_width,    c.max_width,     c.min_height,  c.max_height};
}

std::vector<RECT> layout_flow(const RECT& area, const std::vector<LayoutChild>& children, int spacing,
                              ChildAlign align, const MeasureChild& measure, bool vertical) {
    std::vector<RECT> rects(children.size(), RECT{});
    if (children.empty()) return rects;
    const int main_start = vertical ? area.top : area.left;
    const int cross_start = vertical ? area.left : area.top;
    const int cross_end = vertical ? area.right : area.bottom;
    const int available_main = vertical ? area.bottom - area.top : area.right - area.left;
    const int available_cross = cross_end - cross_start;

    auto cross_limit = [&](const Oriented& o) {
        return std::min(available_cross - o.cross_before - o.cross_after,
                        o.fixed_cross != 0 ? o.fixed_cross : o.max_cross);
    };
    auto measured_main = [&](size_t i, const Oriented& o, int room) {
        const int main_limit = std::min(o.fixed_main != 0 ? o.fixed_main : o.max_main, room);
        const SIZE limits = vertical ? SIZE{cross_limit(o), main_limit} : SIZE{main_limit, cross_limit(o)};
        // A horizontal child without a fixed width always stretches.
        if (!vertical && o.fixed_main == 0) return 0;
        const SIZE size = measure(i, limits);
        return static_cast<int>(vertical ? size.cy : size.cx);
    };

    // First pass: what the sized children need, and how many stretch.
    int fixed = 0;
    int stretchable = 0;
    for (size_t i = 0; i < children.size(); ++i) {
        const Oriented o = orient(children[i], vertical);
        const int main = measured_main(i, o, available_main);
        if (main == 0) {
            ++stretchable;
        } else {
            fixed += clamp_to(main, o.min_main, o.max_main);
        }
        fixed += o.before + o.after;
    }
    fixed += (static_cast<int>(children.size()) - 1) * spacing;
    const int share = stretchable > 0 ? std::max(0, (available_main - fixed) / stretchable) : 0;

    // Second pass: place them; the last stretching child absorbs rounding.
    int position = main_start;
    int remaining = available_main;
    int fixed_remaining = fixed;
    int stretched = 0;
    for (size_t i = 0; i < children.size(); ++i) {
        const Oriented o = orient(children[i], vertical);
        remaining -= o.before;
        fixed_remaining -= o.before + o.after;
        if (i > 0) fixed_remaining -= spacing;
        int main = measured_main(i, o, remaining);
        if (main == 0) {
            ++stretched;
            main = share;
            if (stretched == stretchable) main = std::max(0, remaining - o.after - fixed_remaining);
            main = clamp_to(main, o.min_main, o.max_main);
        } else {
            main = clamp_to(main, o.min_main, o.max_main);
            fixed_remaining -= main;
        }

        int cross = o.max_cross;
        if (cross == 0) cross = available_cross - o.cross_before - o.cross_after;
        cross = std::max(cross, 0);
        cross = std::min(cross, cross_limit(o));
        cross = std::max(cross, o.min_cross);

        int cross_position = cross_start + o.cross_before;
        if (align == ChildAlign::Center) {
            cross_position = (cross_start + cross_end) / 2 - cross / 2;
        } else if (align == ChildAlign::End) {
            cross_position = cross_end - o.cross_after - cross;
        }

        const int main_position = position + o.before;
        rects[i] = vertical ? RECT{cross_position, main_position, cross_position + cross, main_position + main}
                            : RECT{main_position, cross_position, main_position + main, cross_position + cross};
        position += main + spacing + o.before + o.after;
        remaining -= main + spacing + o.after;
    }
    return rects;
}

}  // namespace

std::vector<RECT> layout_vertical(const RECT& area, const std::vector<LayoutChild>& children, int spacing,
                                  ChildAlign align, const MeasureChild& measure) {
    return layout_flow(area, children, spacing, align, measure, true);
}

std::vector<RECT> layout_horizontal(const RECT& area, const std::vector<LayoutChild>& children, int spacing,
                                    ChildAlign align, const MeasureChild& measure) {
    return layout_flow(area, children, spacing, align, measure, false);
}

RECT floating_rect(SIZE container, SIZE fixed_xy, SIZE fixed_size, double fraction_left, double fraction_top,
                   double fraction_right, double fraction_bottom) {
    const auto part = [](double fraction, LONG length) { return static_cast<LONG>(length * fraction); };
    return RECT{part(fraction_left, container.cx) + fixed_xy.cx, part(fraction_top, container.cy) + fixed_xy.cy,
                part(fraction_right, container.cx) + fixed_xy.cx + fixed_size.cx,
                part(fraction_bottom, container.cy) + fixed_xy.cy + fixed_size.cy};
}

RECT tab_page_rect(const RECT& area, const LayoutChild& page, SIZE measured) {
    int width = measured.cx != 0 ? measured.cx : area.right - area.left;
    int height = measured.cy != 0 ? measured.cy : area.bottom - area.top;
    width = clamp_to(width, page.min_width, page.max_width);
    height = clamp_to(height, page.min_height, page.max_height);
    return RECT{area.left, area.top, area.left + width, area.top + height};
}

}  // namespace ui
