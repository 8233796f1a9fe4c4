#include "ui/TextHost.h"

#include <cstdlib>
#include <cwchar>
#include <utility>

namespace ui {
namespace {

// The interface ids are not in the import libraries; the engine's module
// exports its own, which are preferred when present.
constexpr IID kTextServicesId = {0x8d33f740, 0xcf58, 0x11ce, {0xa8, 0x9d, 0x00, 0xaa, 0x00, 0x6c, 0xad, 0xc5}};
constexpr IID kTextHostId = {0x13e670f4, 0x1a5a, 0x11cf, {0xab, 0xeb, 0x00, 0xaa, 0x00, 0xb6, 0x5e, 0xa1}};

// The engine's module stays loaded for the life of the process once found.
HMODULE engine_module() {
    static const HMODULE module = ::LoadLibraryW(L"msftedit.dll");
    return module;
}

const IID& exported_id(const char* name, const IID& fallback) {
    HMODULE module = engine_module();
    const void* exported = module ? reinterpret_cast<const void*>(::GetProcAddress(module, name)) : nullptr;
    return exported ? *static_cast<const IID*>(exported) : fallback;
}

}  // namespace

CTextHost::CTextHost(ITextHostOwner* owner, DWORD property_bits) : owner_(owner), bits_(property_bits) {
    char_format_.cbSize = sizeof(char_format_);
    para_format_.cbSize = sizeof(para_format_);
    para_format_.dwMask = PFM_ALIGNMENT;
    para_format_.wAlignment = PFA_LEFT;
}

CTextHost* CTextHost::create(ITextHostOwner* owner, DWORD property_bits) {
    return new CTextHost(owner, property_bits);
}

bool CTextHost::start_engine(const std::wstring& text) {
    HMODULE module = engine_module();
    if (!module) return false;
    auto create = reinterpret_cast<PCreateTextServices>(
        reinterpret_cast<void*>(::GetProcAddress(module, "CreateTextServices")));
    if (!create) return false;
    IUnknown* unknown = nullptr;
    if (FAILED(create(nullptr, this, &unknown)) || !unknown) return false;
    const HRESULT found = unknown->QueryInterface(exported_id("IID_ITextServices", kTextServicesId),
                                                  reinterpret_cast<void**>(&services_));
    unknown->Release();
    if (FAILED(found) || !services_) {
        services_ = nullptr;
        return false;
    }
    services_->TxSetText(text.c_str());
    return true;
}

void CTextHost::shut_down() {
    owner_ = nullptr;
    if (services_) std::exchange(services_, nullptr)->Release();
}

void CTextHost::announce(DWORD bits) {
    if (services_) services_->OnTxPropertyBitsChange(bits, bits);
}

void CTextHost::set_client_rect(const RECT& rect) {
    if (::EqualRect(&rect, &client_)) return;
    client_ = rect;
    announce(TXTBIT_CLIENTRECTCHANGE);
}

void CTextHost::set_property_bit(DWORD bit, bool on) {
    bits_ = on ? (bits_ | bit) : (bits_ & ~bit);
    if (services_) services_->OnTxPropertyBitsChange(bit, bits_ & bit);
}

void CTextHost::set_max_length(LONG length) {
    max_length_ = length;
    announce(TXTBIT_MAXLENGTHCHANGE);
    // Some engines never ask TxGetMaxLength; the explicit limit holds
    // under all of them.
    if (services_) services_->TxSendMessage(EM_EXLIMITTEXT, 0, length, nullptr);
}

void CTextHost::set_char_format(HFONT font, DWORD text_color) {
    LOGFONTW description{};
    ::GetObjectW(font, sizeof(description), &description);
    HDC screen = ::GetDC(nullptr);
    const int pixels_per_inch = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);

    CHARFORMAT2W& f = char_format_;
    f = CHARFORMAT2W{};
    f.cbSize = sizeof(f);
    f.dwMask = CFM_SIZE | CFM_OFFSET | CFM_FACE | CFM_CHARSET | CFM_COLOR | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE |
               CFM_STRIKEOUT;
    f.yHeight = std::abs(description.lfHeight) * 1440 / (pixels_per_inch > 0 ? pixels_per_inch : 96);
    f.crTextColor = RGB(static_cast<BYTE>(text_color >> 16), static_cast<BYTE>(text_color >> 8),
                        static_cast<BYTE>(text_color));
    if (description.lfWeight >= FW_BOLD) f.dwEffects |= CFE_BOLD;
    if (description.lfItalic) f.dwEffects |= CFE_ITALIC;
    if (description.lfUnderline) f.dwEffects |= CFE_UNDERLINE;
    if (description.lfStrikeOut) f.dwEffects |= CFE_STRIKEOUT;
    f.bCharSet = description.lfCharSet;
    f.bPitchAndFamily = description.lfPitchAndFamily;
    std::wcsncpy(f.szFaceName, description.lfFaceName, LF_FACESIZE - 1);
    announce(TXTBIT_CHARFORMATCHANGE);
}

void CTextHost::set_transparent(bool transparent) {
    transparent_ = transparent;
    announce(TXTBIT_BACKSTYLECHANGE);
}

void CTextHost::set_alignment(WORD alignment) {
    para_format_.wAlignment = alignment;
    announce(TXTBIT_PARAFORMATCHANGE);
}

RECT CTextHost::caret_rect() const {
    const LONG w = caret_size_.cx > 0 ? caret_size_.cx : 1;
    return RECT{caret_pos_.x, caret_pos_.y, caret_pos_.x + w, caret_pos_.y + caret_size_.cy};
}

HRESULT STDMETHODCALLTYPE CTextHost::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kTextHostId) ||
        IsEqualIID(riid, exported_id("IID_ITextHost", kTextHostId))) {
        *object = static_cast<ITextHost*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CTextHost::AddRef() { return ++references_; }

ULONG STDMETHODCALLTYPE CTextHost::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HDC CTextHost::TxGetDC() { return ::GetDC(owner_ ? owner_->host_window() : nullptr); }

INT CTextHost::TxReleaseDC(HDC dc) { return ::ReleaseDC(owner_ ? owner_->host_window() : nullptr, dc); }

// The boxes have no native scroll bars; the engine scrolls its text itself.
WINBOOL CTextHost::TxShowScrollBar(INT, WINBOOL) { return FALSE; }
WINBOOL CTextHost::TxEnableScrollBar(INT, INT) { return FALSE; }
WINBOOL CTextHost::TxSetScrollRange(INT, LONG, INT, WINBOOL) { return FALSE; }
WINBOOL CTextHost::TxSetScrollPos(INT, INT, WINBOOL) { return FALSE; }

void CTextHost::TxInvalidateRect(LPCRECT rect, WINBOOL) {
    if (owner_) owner_->host_invalidate(rect);
}

void CTextHost::TxViewChange(WINBOOL) {
    if (owner_) owner_->host_invalidate(nullptr);
}

WINBOOL CTextHost::TxCreateCaret(HBITMAP bitmap, INT width, INT height) {
    caret_size_ = SIZE{width, height};
    if (!owner_ || owner_->host_window_layered()) return TRUE;
    return ::CreateCaret(owner_->host_window(), bitmap, width, height);
}

WINBOOL CTextHost::TxShowCaret(WINBOOL show) {
    caret_visible_ = show && caret_allowed_;
    if (!owner_ || owner_->host_window_layered()) return TRUE;
    return caret_visible_ ? ::ShowCaret(owner_->host_window()) : ::HideCaret(owner_->host_window());
}

WINBOOL CTextHost::TxSetCaretPos(INT x, INT y) {
    caret_pos_ = POINT{x, y};
    if (!owner_ || owner_->host_window_layered()) return TRUE;
    return ::SetCaretPos(x, y);
}

WINBOOL CTextHost::TxSetTimer(UINT id, UINT timeout) { return owner_ && owner_->host_set_timer(id, timeout); }

void CTextHost::TxKillTimer(UINT id) {
    if (owner_) owner_->host_kill_timer(id);
}

void CTextHost::TxScrollWindowEx(INT, INT, LPCRECT, LPCRECT, HRGN, LPRECT, UINT) {
    if (owner_) owner_->host_invalidate(nullptr);
}

void CTextHost::TxSetCapture(WINBOOL capture) {
    if (!owner_) return;
    HWND hwnd = owner_->host_window();
    if (capture) {
        ::SetCapture(hwnd);
    } else if (::GetCapture() == hwnd) {
        ::ReleaseCapture();
    }
}

void CTextHost::TxSetFocus() {
    if (owner_) owner_->host_set_focus();
}

void CTextHost::TxSetCursor(HCURSOR cursor, WINBOOL) { ::SetCursor(cursor); }

WINBOOL CTextHost::TxScreenToClient(LPPOINT point) {
    return owner_ && ::ScreenToClient(owner_->host_window(), point);
}

WINBOOL CTextHost::TxClientToScreen(LPPOINT point) {
    return owner_ && ::ClientToScreen(owner_->host_window(), point);
}

HRESULT CTextHost::TxActivate(LONG* old_state) {
    if (old_state) *old_state = 0;
    return S_OK;
}

HRESULT CTextHost::TxDeactivate(LONG) { return S_OK; }

HRESULT CTextHost::TxGetClientRect(LPRECT rect) {
    if (!rect) return E_INVALIDARG;
    *rect = client_;
    return S_OK;
}

HRESULT CTextHost::TxGetViewInset(LPRECT rect) {
    if (!rect) return E_INVALIDARG;
    ::SetRectEmpty(rect);
    return S_OK;
}

HRESULT CTextHost::TxGetCharFormat(const CHARFORMATW** format) {
    if (!format) return E_INVALIDARG;
    *format = reinterpret_cast<const CHARFORMATW*>(&char_format_);
    return S_OK;
}

HRESULT CTextHost::TxGetParaFormat(const PARAFORMAT** format) {
    if (!format) return E_INVALIDARG;
    *format = reinterpret_cast<const PARAFORMAT*>(&para_format_);
    return S_OK;
}

COLORREF CTextHost::TxGetSysColor(int index) { return ::GetSysColor(index); }

HRESULT CTextHost::TxGetBackStyle(TXTBACKSTYLE* style) {
    if (!style) return E_INVALIDARG;
    *style = transparent_ ? TXTBACK_TRANSPARENT : TXTBACK_OPAQUE;
    return S_OK;
}

HRESULT CTextHost::TxGetMaxLength(DWORD* length) {
    if (!length) return E_INVALIDARG;
    *length = static_cast<DWORD>(max_length_);
    return S_OK;
}

HRESULT CTextHost::TxGetScrollBars(DWORD* scroll_bars) {
    if (!scroll_bars) return E_INVALIDARG;
    *scroll_bars = scroll_bars_;
    return S_OK;
}

HRESULT CTextHost::TxGetPasswordChar(TCHAR* ch) {
    if (!ch) return E_INVALIDARG;
    *ch = L'*';
    return S_OK;
}

HRESULT CTextHost::TxGetAcceleratorPos(LONG* position) {
    if (!position) return E_INVALIDARG;
    *position = -1;
    return S_OK;
}

HRESULT CTextHost::TxGetExtent(LPSIZEL) { return E_NOTIMPL; }

HRESULT CTextHost::OnTxCharFormatChange(const CHARFORMATW*) { return S_OK; }

HRESULT CTextHost::OnTxParaFormatChange(const PARAFORMAT*) { return S_OK; }

HRESULT CTextHost::TxGetPropertyBits(DWORD mask, DWORD* bits) {
    if (!bits) return E_INVALIDARG;
    *bits = bits_ & mask;
    return S_OK;
}

HRESULT CTextHost::TxNotify(DWORD code, void* data) {
    if (owner_) owner_->host_notify(code, data);
    return S_OK;
}

HIMC CTextHost::TxImmGetContext() { return owner_ ? ::ImmGetContext(owner_->host_window()) : nullptr; }

void CTextHost::TxImmReleaseContext(HIMC context) {
    if (owner_) ::ImmReleaseContext(owner_->host_window(), context);
}

HRESULT CTextHost::TxGetSelectionBarWidth(LONG* width) {
    if (!width) return E_INVALIDARG;
    *width = 0;
    return S_OK;
}

}  // namespace ui
