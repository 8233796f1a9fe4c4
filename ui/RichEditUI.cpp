#include "ui/RichEditUI.h"

#include <vector>

#include "ui/AttributeValues.h"
#include "ui/Color.h"
#include "ui/FontInfo.h"
#include "ui/PaintHelper.h"
#include "ui/ResourceTable.h"
#include "ui/WindowManagerUI.h"

namespace ui {
namespace {

// The text as 16-bit units; 1200 is the code page of UTF-16.
constexpr UINT kUtf16CodePage = 1200;

bool contains(const std::wstring& value, const wchar_t* word) { return value.find(word) != std::wstring::npos; }

WORD paragraph_alignment(DWORD style) {
    if (style & ES_CENTER) return PFA_CENTER;
    if (style & ES_RIGHT) return PFA_RIGHT;
    return PFA_LEFT;
}

}  // namespace

CRichEditUI::CRichEditUI() = default;

CRichEditUI::~CRichEditUI() {
    if (filtering_for_) filtering_for_->remove_message_filter(this);
    if (host_) {
        host_->shut_down();
        host_->Release();
    }
}

const wchar_t* CRichEditUI::class_name() const { return L"RichEdit"; }

void* CRichEditUI::interface_of(const std::wstring& name) {
    if (name == L"RichEdit") return this;
    return CContainerUI::interface_of(name);
}

UINT CRichEditUI::control_flags() const {
    UINT flags = 0;
    if (is_keyboard_enabled()) flags |= kFlagTabStop;
    if (is_enabled()) flags |= kFlagSetCursor;
    return flags;
}

void CRichEditUI::set_manager(CWindowManagerUI* manager, CControlUI* parent, bool initialise) {
    // A box leaving its window (delayed deletion, another tree) must not
    // stay behind in the old window's filter list.
    if (filtering_for_ && filtering_for_ != manager) {
        filtering_for_->remove_message_filter(this);
        filtering_for_ = nullptr;
    }
    CContainerUI::set_manager(manager, parent, initialise);
}

DWORD CRichEditUI::property_bits() const {
    DWORD bits = 0;
    if (rich_) bits |= TXTBIT_RICHTEXT;
    if (style_ & ES_MULTILINE) {
        bits |= TXTBIT_MULTILINE;
        if (!(style_ & (ES_AUTOHSCROLL | WS_HSCROLL))) bits |= TXTBIT_WORDWRAP;
    }
    if (read_only_) bits |= TXTBIT_READONLY;
    if (style_ & ES_PASSWORD) bits |= TXTBIT_USEPASSWORD;
    return bits;
}

void CRichEditUI::do_init() {
    if (!manager_) return;
    if (!engine_tried_) {
        engine_tried_ = true;
        start_engine();
    }
    // A box given to another window filters that window's messages.
    if (has_engine() && filtering_for_ != manager_) {
        manager_->add_message_filter(this);
        filtering_for_ = manager_;
    }
}

void CRichEditUI::start_engine() {
    host_ = CTextHost::create(this, property_bits());
    host_->set_scroll_bars(style_ & (WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_DISABLENOSCROLL));
    host_->set_transparent(transparent_);
    host_->set_caret_allowed(show_caret_);
    host_->set_alignment(paragraph_alignment(style_));
    host_->set_client_rect(text_area());
    apply_char_format();
    if (!host_->start_engine(text_)) {
        host_->shut_down();
        host_->Release();
        host_ = nullptr;
        return;
    }
    host_->set_max_length(max_char_);
    ITextServices* engine = host_->services();
    LRESULT options = 0;
    engine->TxSendMessage(EM_GETLANGOPTIONS, 0, 0, &options);
    engine->TxSendMessage(EM_SETLANGOPTIONS, 0, options & ~(IMF_AUTOKEYBOARD | IMF_AUTOFONT), nullptr);
    engine->OnTxInPlaceDeactivate();
    if (manager_->is_layered()) manager_->set_control_timer(this, kCaretTimerId, ::GetCaretBlinkTime());
    engine->TxSendMessage(EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_LINK, nullptr);
}

RECT CRichEditUI::text_area() const {
    return RECT{rect_.left + inset_.left + text_margins_.left, rect_.top + inset_.top + text_margins_.top,
                rect_.right - inset_.right - text_margins_.right, rect_.bottom - inset_.bottom - text_margins_.bottom};
}

void CRichEditUI::set_pos(RECT rect, bool invalidate) {
    CContainerUI::set_pos(rect, invalidate);
    if (!host_) return;
    const RECT area = text_area();
    if (::EqualRect(&area, &host_->client_rect())) return;
    host_->set_client_rect(area);
    // A focused engine places its caret for the new area only when it is
    // told about its focus again.
    if (is_focused() && has_engine()) host_->services()->TxSendMessage(WM_SETFOCUS, 0, 0, nullptr);
}

std::wstring CRichEditUI::text() const {
    if (!has_engine()) return text_;
    ITextServices* engine = host_->services();
    GETTEXTLENGTHEX length_query{GTL_NUMCHARS | GTL_PRECISE, kUtf16CodePage};
    LRESULT length = 0;
    engine->TxSendMessage(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length_query), 0, &length);
    if (length <= 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    GETTEXTEX text_query{static_cast<DWORD>(buffer.size() * sizeof(wchar_t)), GT_DEFAULT, kUtf16CodePage, nullptr,
                         nullptr};
    LRESULT copied = 0;
    engine->TxSendMessage(EM_GETTEXTEX, reinterpret_cast<WPARAM>(&text_query),
                          reinterpret_cast<LPARAM>(buffer.data()), &copied);
    return std::wstring(buffer.data(), static_cast<size_t>(copied > 0 ? copied : 0));
}

void CRichEditUI::set_text(const std::wstring& text) {
    if (!has_engine()) {
        text_ = text;
        invalidate();
        return;
    }
    host_->services()->TxSetText(text.c_str());
    // The engine may or may not report this change itself; comparing with
    // the stored text makes it one notification either way.
    on_engine_change();
    invalidate();
}

void CRichEditUI::on_engine_change() {
    const std::wstring now = text();
    if (now == text_) return;
    // Stored first: a listener may take the box away.
    text_ = now;
    if (manager_) manager_->send_notification(this, kNotifyTextChanged, 0, 0, false);
}

void CRichEditUI::set_style_bit(DWORD bit, bool on) { style_ = on ? (style_ | bit) : (style_ & ~bit); }

void CRichEditUI::set_max_char(int count) {
    max_char_ = count < 1 ? 32767 : count;
    if (host_) host_->set_max_length(max_char_);
}

void CRichEditUI::set_read_only(bool read_only) {
    read_only_ = read_only;
    if (host_) host_->set_property_bit(TXTBIT_READONLY, read_only);
}

void CRichEditUI::set_password(bool password) {
    set_style_bit(ES_PASSWORD, password);
    if (host_) host_->set_property_bit(TXTBIT_USEPASSWORD, password);
    invalidate();
}

void CRichEditUI::set_multiline(bool multiline) {
    set_style_bit(ES_MULTILINE, multiline);
    if (!host_) return;
    host_->set_property_bit(TXTBIT_MULTILINE, multiline);
    host_->set_property_bit(TXTBIT_WORDWRAP, (property_bits() & TXTBIT_WORDWRAP) != 0);
}

void CRichEditUI::set_rich(bool rich) {
    rich_ = rich;
    if (host_) host_->set_property_bit(TXTBIT_RICHTEXT, rich);
}

void CRichEditUI::set_transparent(bool transparent) {
    transparent_ = transparent;
    if (host_) host_->set_transparent(transparent);
}

void CRichEditUI::apply_char_format() {
    if (!host_) return;
    const TFontInfo* font = manager_ ? manager_->skin_font(font_) : shared_resources().default_font();
    if (!font) return;
    const DWORD color = text_color_ != 0 ? text_color_ : (manager_ ? manager_->default_font_color() : 0);
    host_->set_char_format(font->font.get(), color);
}

void CRichEditUI::set_font(int index) {
    font_ = index;
    apply_char_format();
    invalidate();
}

void CRichEditUI::set_text_color(DWORD argb) {
    text_color_ = argb;
    apply_char_format();
    invalidate();
}

void CRichEditUI::set_text_margins(const RECT& margins) {
    text_margins_ = margins;
    if (host_) host_->set_client_rect(text_area());
    invalidate();
}

void CRichEditUI::set_hint_text(const std::wstring& text) {
    hint_text_ = text;
    invalidate();
}

void CRichEditUI::set_hint_color(DWORD argb) {
    hint_color_ = argb;
    invalidate();
}

void CRichEditUI::set_show_caret(bool show) {
    show_caret_ = show;
    if (host_) host_->set_caret_allowed(show);
}

void CRichEditUI::set_focused_image(const std::wstring& description) {
    focused_image_.set_text(description);
    invalidate();
}

void CRichEditUI::set_disabled_image(const std::wstring& description) {
    disabled_image_.set_text(description);
    invalidate();
}

void CRichEditUI::select_all() {
    if (has_engine()) host_->services()->TxSendMessage(EM_SETSEL, 0, -1, nullptr);
}

void CRichEditUI::copy() {
    if (has_engine()) host_->services()->TxSendMessage(WM_COPY, 0, 0, nullptr);
}

void CRichEditUI::paste() {
    if (has_engine()) host_->services()->TxSendMessage(WM_PASTE, 0, 0, nullptr);
}

void CRichEditUI::apply_attribute(const std::wstring& name, const std::wstring& value) {
    const bool on = parse_bool(value);
    if (name == L"vscrollbar") {
        set_style_bit(WS_VSCROLL, on);
    } else if (name == L"hscrollbar") {
        set_style_bit(WS_HSCROLL, on);
    } else if (name == L"autovscroll") {
        set_style_bit(ES_AUTOVSCROLL, on);
    } else if (name == L"autohscroll") {
        set_style_bit(ES_AUTOHSCROLL, on);
    } else if (name == L"wanttab") {
        set_want_tab(on);
    } else if (name == L"wantreturn") {
        set_want_return(on);
    } else if (name == L"wantctrlreturn") {
        set_want_ctrl_return(on);
    } else if (name == L"transparent") {
        set_transparent(on);
    } else if (name == L"rich") {
        set_rich(on);
    } else if (name == L"password") {
        set_password(on);
    } else if (name == L"showcaret") {
        set_show_caret(on);
    } else if (name == L"multiline") {
        set_multiline(value != L"false");
    } else if (name == L"readonly") {
        if (value == L"true") set_read_only(true);
    } else if (name == L"align") {
        const DWORD mask = ES_LEFT | ES_CENTER | ES_RIGHT;
        if (contains(value, L"left")) style_ = (style_ & ~mask) | ES_LEFT;
        if (contains(value, L"center")) style_ = (style_ & ~mask) | ES_CENTER;
        if (contains(value, L"right")) style_ = (style_ & ~mask) | ES_RIGHT;
        if (host_) host_->set_alignment(paragraph_alignment(style_));
    } else if (name == L"font") {
        set_font(parse_int(value));
    } else if (name == L"textcolor") {
        set_text_color(parse_color(value));
    } else if (name == L"tipcolor") {
        set_hint_color(parse_color(value));
    } else if (name == L"textpadding") {
        set_text_margins(parse_rect(value));
    } else if (name == L"maxchar") {
        set_max_char(parse_int(value));
    } else if (name == L"tipvalue") {
        set_hint_text(value);
    } else if (name == L"focusedimage") {
        set_focused_image(value);
    } else if (name == L"disabledimage") {
        set_disabled_image(value);
    } else {
        CContainerUI::apply_attribute(name, value);
    }
}

void CRichEditUI::paint_status_image(HDC dc) {
    if (!is_enabled() && CPaintHelper::draw_image(dc, manager_, rect_, paint_rect_, disabled_image_)) return;
    if (is_focused() && CPaintHelper::draw_image(dc, manager_, rect_, paint_rect_, focused_image_)) return;
    CContainerUI::paint_status_image(dc);
}

void CRichEditUI::paint_text(HDC dc) {
    if (!has_engine()) return;
    RECT area = text_area();
    RECT update{};
    if (!::IntersectRect(&update, &area, &paint_rect_)) return;
    const RECTL bounds{area.left, area.top, area.right, area.bottom};
    host_->services()->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, dc, nullptr, &bounds, nullptr, &update,
                              nullptr, 0, is_focused() ? TXTVIEW_ACTIVE : TXTVIEW_INACTIVE);
    // The hint keeps its place while the box has focus, until text arrives.
    // Style 4 (vertical centring without single line) starts it at the
    // area's top-left; the skins place it with a top text margin.
    if (!hint_text_.empty() && text().empty()) {
        CPaintHelper::draw_text(dc, manager_, area, hint_text_, hint_color_, font_, DT_VCENTER);
    }
    draw_layered_caret(dc);
}

void CRichEditUI::draw_layered_caret(HDC dc) {
    if (!manager_ || !manager_->is_layered() || !is_focused() || !caret_on_ || !host_->caret_visible()) return;
    const RECT caret = host_->caret_rect();
    const DWORD color = text_color_ != 0 ? text_color_ : manager_->default_font_color();
    CPaintHelper::draw_line(dc, RECT{caret.left, caret.top, caret.left, caret.bottom}, caret.right - caret.left,
                            color, PS_SOLID);
}

void CRichEditUI::do_event(UiEvent& e) {
    switch (e.type) {
    case kEventSetFocus:
        if (has_engine()) {
            const RECT area = text_area();
            host_->services()->OnTxInPlaceActivate(&area);
            host_->services()->TxSendMessage(WM_SETFOCUS, 0, 0, nullptr);
        }
        CContainerUI::do_event(e);
        return;
    case kEventKillFocus:
        if (has_engine()) {
            host_->services()->TxSendMessage(WM_KILLFOCUS, 0, 0, nullptr);
            host_->services()->OnTxInPlaceDeactivate();
        }
        caret_on_ = false;
        CContainerUI::do_event(e);
        return;
    case kEventWindowSize:
        if (has_engine()) host_->services()->OnTxPropertyBitsChange(TXTBIT_CLIENTRECTCHANGE, TXTBIT_CLIENTRECTCHANGE);
        return;
    case kEventTimer:
        if (e.wparam == kCaretTimerId) {
            on_caret_tick();
        } else if (has_engine()) {
            host_->services()->TxSendMessage(WM_TIMER, e.wparam, e.lparam, nullptr);
        }
        return;
    case kEventSetCursor:
        ::SetCursor(::LoadCursorW(nullptr, over_text(e.point) ? IDC_IBEAM : IDC_ARROW));
        return;
    case kEventContextMenu:
        if (context_menu_ && is_enabled()) show_context_menu(e.point);
        return;
    default:
        CContainerUI::do_event(e);
    }
}

HWND CRichEditUI::host_window() const { return manager_ ? manager_->hwnd() : nullptr; }

bool CRichEditUI::host_window_layered() const { return manager_ && manager_->is_layered(); }

void CRichEditUI::host_invalidate(const RECT* area) {
    if (!manager_ || !area) {
        invalidate();
        return;
    }
    RECT part{};
    if (::IntersectRect(&part, area, &rect_) && visible_rect_in_ancestors(part)) manager_->invalidate(part);
}

bool CRichEditUI::host_set_timer(UINT id, UINT elapse_ms) {
    if (!manager_) return false;
    // The engine may set a timer again with another interval.
    manager_->kill_control_timer(this, id);
    return manager_->set_control_timer(this, id, elapse_ms);
}

void CRichEditUI::host_kill_timer(UINT id) {
    if (manager_) manager_->kill_control_timer(this, id);
}

void CRichEditUI::host_set_focus() { set_focus(); }

void CRichEditUI::host_notify(DWORD code, void* data) {
    if (code == EN_CHANGE) {
        on_engine_change();
    } else if (code == EN_LINK && data && manager_) {
        auto* link = static_cast<ENLINK*>(data);
        if (link->msg == WM_LBUTTONDOWN) {
            manager_->send_notification(this, kNotifyLink, 0, reinterpret_cast<LPARAM>(link), false);
        }
    }
}

}  // namespace ui
