#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/ControlUI.h"
#include "ui/OffscreenBuffer.h"

namespace ui {

// The busy indicator of the start-up page: a ring of spokes, one fully
// coloured and the others fading, whose bright spoke steps clockwise on a
// timer. Each frame is drawn anti-aliased into an off-screen image of the
// control's size, which painting blends onto the window.
class CSpinnerUI : public CControlUI {
public:
    static constexpr UINT kFrameTimerId = 100;

    const wchar_t* class_name() const override;
    void* interface_of(const std::wstring& name) override;
    void do_init() override;
    void set_pos(RECT rect, bool invalidate = true) override;
    void set_visible(bool visible) override;
    void do_event(UiEvent& e) override;
    bool do_paint(HDC dc, const RECT& area, CControlUI* stop) override;
    void apply_attribute(const std::wstring& name, const std::wstring& value) override;

    int time_interval() const { return time_interval_; }
    // A new interval restarts a running frame timer with it.
    void set_time_interval(int milliseconds);
    int spoke_count() const { return spoke_count_; }
    void set_spoke_count(int count);
    void set_thickness(int pixels) { thickness_ = pixels; }
    void set_inner_radius(int pixels) { inner_radius_ = pixels; }
    void set_outer_radius(int pixels) { outer_radius_ = pixels; }
    DWORD spoke_color() const { return spoke_color_; }
    void set_spoke_color(DWORD argb);

    int current_index() const { return current_index_; }
    // Spoke j of a frame is drawn in colour j at angle (current + j) mod n.
    const std::vector<DWORD>& spoke_colors() const { return colors_; }
    const std::vector<double>& spoke_angles() const { return angles_; }
    // The last frame, in the control's own coordinates.
    const COffscreenBuffer& frame() const { return frame_; }
    // Advances the bright spoke by one position and draws the new frame.
    void render_frame();

private:
    void derive();
    void draw_spokes();
    void draw_text_in_frame();

    // The frame timer belongs to a spinner attached to a window; the skin
    // builder's temporary manager must not start it.
    bool initialised_ = false;
    int time_interval_ = 40;
    int spoke_count_ = 10;
    int thickness_ = 4;
    int current_index_ = 0;
    int inner_radius_ = 0;
    int outer_radius_ = 0;
    DWORD spoke_color_ = 0xFF000000;
    std::vector<DWORD> colors_;
    std::vector<double> angles_;
    UINT text_style_ = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    DWORD text_color_ = 0xFF000000;
    int font_ = -1;
    RECT text_margins_{};
    int rendering_hint_ = 4;
    COffscreenBuffer frame_;
};

}  // namespace ui
