#pragma once

#include <windows.h>

#include <string>

#include "ui/ImageDescription.h"
#include "ui/LabelUI.h"

namespace ui {

// Button state bits.
enum ButtonState : UINT {
    kButtonFocused = 0x01,
    kButtonDisabled = 0x04,
    kButtonHot = 0x08,
    kButtonPushed = 0x10,
    kButtonCaptured = 0x40,
};

// The notifications a button raises.
inline constexpr const wchar_t* kNotifyClick = L"click";
inline constexpr const wchar_t* kNotifyMouseEnter = L"mouseenter";
inline constexpr const wchar_t* kNotifyMouseLeave = L"mouseleave";

// Every clickable element of the skins. "click" is raised when the left
// button is released inside a button it was pressed on, or by Space and
// Enter; hot, pushed, focused and disabled states choose colours and images.
class CButtonUI : public CLabelUI {
public:
    CButtonUI();

    const wchar_t* class_name() const override;
    void* interface_of(const std::wstring& name) override;
    UINT control_flags() const override;
    // Raises "click" when the button is visible and enabled.
    bool activate() override;
    void set_enabled(bool enabled) override;
    void do_event(UiEvent& e) override;
    void apply_attribute(const std::wstring& name, const std::wstring& value) override;

    void paint_bk_color(HDC dc) override;
    void paint_status_image(HDC dc) override;
    void paint_text(HDC dc) override;

    // The state bits, focused included.
    UINT state() const;
    BYTE fade_level() const { return fade_level_; }

    void set_hot_text_color(DWORD argb);
    void set_pushed_text_color(DWORD argb);
    void set_focused_text_color(DWORD argb);
    void set_hot_bk_color(DWORD argb);
    void set_focused_bk_color(DWORD argb);
    void set_normal_image(const std::wstring& description);
    void set_hot_image(const std::wstring& description);
    void set_hot_fore_image(const std::wstring& description);
    void set_pushed_image(const std::wstring& description);
    void set_pushed_fore_image(const std::wstring& description);
    void set_focused_image(const std::wstring& description);
    void set_disabled_image(const std::wstring& description);
    // One picture holding, left to right, the normal, hot, pushed, focused
    // and disabled looks in five equal parts.
    void set_five_status_image(const std::wstring& description);
    // 0 switches fading off.
    void set_fade_delta(BYTE step) { fade_step_ = step; }
    // "arrow" or "hand".
    void set_cursor_name(const std::wstring& name) { cursor_ = name; }

private:
    static constexpr UINT kFadeTimerId = 11;

    bool contains(POINT point) const { return ::PtInRect(&rect_, point) != FALSE; }
    void on_mouse_enter(const UiEvent& e);
    void on_mouse_leave(const UiEvent& e);
    void on_fade_tick();
    void fill(HDC dc, DWORD argb);
    bool draw(HDC dc, CImageDescriptionCache& image);
    // Draws an image at a constant opacity on top of its description's own.
    bool draw_faded(HDC dc, CImageDescriptionCache& image, BYTE fade);
    // The normal image, cross-faded with the hot one while fading runs.
    void draw_normal_or_faded(HDC dc);

    UINT state_ = 0;
    DWORD hot_text_color_ = 0;
    DWORD pushed_text_color_ = 0;
    DWORD focused_text_color_ = 0;
    DWORD hot_bk_color_ = 0;
    DWORD focused_bk_color_ = 0;
    CImageDescriptionCache normal_image_;
    CImageDescriptionCache hot_image_;
    CImageDescriptionCache hot_fore_image_;
    CImageDescriptionCache pushed_image_;
    CImageDescriptionCache pushed_fore_image_;
    CImageDescriptionCache focused_image_;
    CImageDescriptionCache disabled_image_;
    std::wstring cursor_ = L"hand";
    BYTE fade_step_ = 0;
    BYTE fade_level_ = 255;
};

}  // namespace ui
