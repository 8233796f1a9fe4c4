#pragma once

#include <windows.h>

#include <string>

#include "ui/ContainerUI.h"
#include "ui/ImageDescription.h"
#include "ui/Notify.h"
#include "ui/TextHost.h"

namespace ui {

// The notifications a rich edit raises.
inline constexpr const wchar_t* kNotifyReturn = L"return";
inline constexpr const wchar_t* kNotifyTextChanged = L"textchanged";
inline constexpr const wchar_t* kNotifyLink = L"link";

// A text box hosting the platform's windowless Rich Edit engine. It adds a
// hint text shown while the box is empty, "return" for an Enter the box does
// not take, and one "textchanged" per change of its text. Its children are
// floating decorations (icons, a separator, a button) drawn over the box.
// Without the engine the box shows nothing and raises nothing.
class CRichEditUI : public CContainerUI, public IMessageFilter, private ITextHostOwner {
public:
    CRichEditUI();
    ~CRichEditUI() override;

    const wchar_t* class_name() const override;
    void* interface_of(const std::wstring& name) override;
    UINT control_flags() const override;
    bool wants_tab() const override { return want_tab_; }
    void set_manager(CWindowManagerUI* manager, CControlUI* parent, bool initialise) override;
    void do_init() override;
    void set_pos(RECT rect, bool invalidate = true) override;
    void do_event(UiEvent& e) override;
    void apply_attribute(const std::wstring& name, const std::wstring& value) override;
    void paint_status_image(HDC dc) override;
    void paint_text(HDC dc) override;

    // The engine's text (the real text also in password mode).
    std::wstring text() const override;
    // Replaces the whole text; "textchanged" when it differs.
    void set_text(const std::wstring& text) override;

    LRESULT message_filter(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) override;

    bool has_engine() const { return host_ && host_->services(); }
    // The rectangle less the inset and the text margins.
    RECT text_area() const;

    int max_char() const { return max_char_; }
    // A value below 1 means 32767.
    void set_max_char(int count);
    bool is_read_only() const { return read_only_; }
    void set_read_only(bool read_only);
    bool is_password() const { return (style_ & ES_PASSWORD) != 0; }
    void set_password(bool password);
    bool is_multiline() const { return (style_ & ES_MULTILINE) != 0; }
    void set_multiline(bool multiline);
    void set_rich(bool rich);
    void set_transparent(bool transparent);
    void set_font(int index);
    void set_text_color(DWORD argb);
    void set_text_margins(const RECT& margins);
    const std::wstring& hint_text() const { return hint_text_; }
    void set_hint_text(const std::wstring& text);
    DWORD hint_color() const { return hint_color_; }
    void set_hint_color(DWORD argb);
    void set_show_caret(bool show);
    void set_want_tab(bool want) { want_tab_ = want; }
    void set_want_return(bool want) { want_return_ = want; }
    void set_want_ctrl_return(bool want) { want_ctrl_return_ = want; }
    void set_focused_image(const std::wstring& description);
    void set_disabled_image(const std::wstring& description);

    void select_all();
    void copy();
    void paste();

private:
    static constexpr UINT kCaretTimerId = 20;

    // ITextHostOwner
    HWND host_window() const override;
    bool host_window_layered() const override;
    void host_invalidate(const RECT* area) override;
    bool host_set_timer(UINT id, UINT elapse_ms) override;
    void host_kill_timer(UINT id) override;
    void host_set_focus() override;
    void host_notify(DWORD code, void* data) override;

    // Creates the engine with the box's settings; none when the platform
    // lacks it.
    void start_engine();
    DWORD property_bits() const;
    void set_style_bit(DWORD bit, bool on);
    void apply_char_format();
    void on_engine_change();
    bool enter_goes_to_engine() const;
    bool over_text(POINT point) const;
    LRESULT to_engine(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
    LRESULT filter_mouse(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
    LRESULT filter_keyboard(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
    void place_input_method();
    void on_caret_tick();
    void show_context_menu(POINT point);
    void draw_layered_caret(HDC dc);

    CTextHost* host_ = nullptr;  // one reference owned
    bool engine_tried_ = false;
    CWindowManagerUI* filtering_for_ = nullptr;  // the manager this box is a message filter of
    DWORD style_ = ES_MULTILINE;
    bool want_tab_ = true;
    bool want_return_ = true;
    bool want_ctrl_return_ = true;
    bool transparent_ = true;
    bool rich_ = true;
    bool read_only_ = false;
    int font_ = -1;
    DWORD text_color_ = 0;
    int max_char_ = 32767;
    RECT text_margins_{};
    std::wstring hint_text_;
    DWORD hint_color_ = 0xFF8E8E8E;
    bool show_caret_ = true;
    CImageDescriptionCache focused_image_;
    CImageDescriptionCache disabled_image_;
    bool selecting_ = false;  // a left press in the text is being dragged
    bool caret_on_ = false;   // the self-drawn caret's blink phase
};

}  // namespace ui
