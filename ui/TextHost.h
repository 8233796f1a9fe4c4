#pragma once

#include <windows.h>

#include <imm.h>
#include <richedit.h>
#include <textserv.h>

#include <string>

namespace ui {

// What the text host needs from the control it serves.
class ITextHostOwner {
public:
    virtual HWND host_window() const = 0;
    virtual bool host_window_layered() const = 0;
    virtual void host_invalidate(const RECT* area) = 0;
    virtual bool host_set_timer(UINT id, UINT elapse_ms) = 0;
    virtual void host_kill_timer(UINT id) = 0;
    virtual void host_set_focus() = 0;
    // Engine reports (EN_CHANGE, EN_LINK, ...).
    virtual void host_notify(DWORD code, void* data) = 0;

protected:
    ~ITextHostOwner() = default;
};

// The program's side of the platform's windowless Rich Edit engine
// ("msftedit.dll" text services): it answers the engine's questions about
// the window, the text area, the formats and the property bits, and passes
// its caret, timer, capture and invalidation requests on.
//
// On 32-bit x86 the engine calls these methods with the platform's member
// calling convention (thiscall), which is what g++ gives the undecorated
// ITextHost methods; only the IUnknown part uses the COM convention. 64-bit
// Windows has one calling convention, so there the question does not arise.
class CTextHost : public ITextHost {
public:
    // A new host without an engine yet, holding one reference (the
    // caller's). The settings below are made first, because the engine reads
    // them while it is being created.
    static CTextHost* create(ITextHostOwner* owner, DWORD property_bits);
    // Creates the engine with the text; false when the platform's engine is
    // not available.
    bool start_engine(const std::wstring& text);

    ITextServices* services() const { return services_; }
    // Releases the engine and forgets the owner; the host lives on only as
    // long as the engine still holds it.
    void shut_down();

    // Settings the engine reads back; each change is announced to it.
    void set_client_rect(const RECT& rect);
    const RECT& client_rect() const { return client_; }
    void set_property_bit(DWORD bit, bool on);
    DWORD property_bits() const { return bits_; }
    void set_scroll_bars(DWORD styles) { scroll_bars_ = styles; }
    void set_max_length(LONG length);
    void set_char_format(HFONT font, DWORD text_color);
    void set_alignment(WORD alignment);
    void set_transparent(bool transparent);
    void set_caret_allowed(bool allowed) { caret_allowed_ = allowed; }

    // The caret as the engine last placed it, for windows that draw it
    // themselves (layered windows have no system caret).
    bool caret_visible() const { return caret_visible_; }
    RECT caret_rect() const;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // ITextHost
    HDC TxGetDC() override;
    INT TxReleaseDC(HDC dc) override;
    WINBOOL TxShowScrollBar(INT bar, WINBOOL show) override;
    WINBOOL TxEnableScrollBar(INT flags, INT arrows) override;
    WINBOOL TxSetScrollRange(INT bar, LONG min_pos, INT max_pos, WINBOOL redraw) override;
    WINBOOL TxSetScrollPos(INT bar, INT pos, WINBOOL redraw) override;
    void TxInvalidateRect(LPCRECT rect, WINBOOL mode) override;
    void TxViewChange(WINBOOL update) override;
    WINBOOL TxCreateCaret(HBITMAP bitmap, INT width, INT height) override;
    WINBOOL TxShowCaret(WINBOOL show) override;
    WINBOOL TxSetCaretPos(INT x, INT y) override;
    WINBOOL TxSetTimer(UINT id, UINT timeout) override;
    void TxKillTimer(UINT id) override;
    void TxScrollWindowEx(INT dx, INT dy, LPCRECT scroll, LPCRECT clip, HRGN update_region, LPRECT update,
                          UINT flags) override;
    void TxSetCapture(WINBOOL capture) override;
    void TxSetFocus() override;
    void TxSetCursor(HCURSOR cursor, WINBOOL text) override;
    WINBOOL TxScreenToClient(LPPOINT point) override;
    WINBOOL TxClientToScreen(LPPOINT point) override;
    HRESULT TxActivate(LONG* old_state) override;
    HRESULT TxDeactivate(LONG new_state) override;
    HRESULT TxGetClientRect(LPRECT rect) override;
    HRESULT TxGetViewInset(LPRECT rect) override;
    HRESULT TxGetCharFormat(const CHARFORMATW** format) override;
    HRESULT TxGetParaFormat(const PARAFORMAT** format) override;
    COLORREF TxGetSysColor(int index) override;
    HRESULT TxGetBackStyle(TXTBACKSTYLE* style) override;
    HRESULT TxGetMaxLength(DWORD* length) override;
    HRESULT TxGetScrollBars(DWORD* scroll_bars) override;
    HRESULT TxGetPasswordChar(TCHAR* ch) override;
    HRESULT TxGetAcceleratorPos(LONG* position) override;
    HRESULT TxGetExtent(LPSIZEL extent) override;
    HRESULT OnTxCharFormatChange(const CHARFORMATW* format) override;
    HRESULT OnTxParaFormatChange(const PARAFORMAT* format) override;
    HRESULT TxGetPropertyBits(DWORD mask, DWORD* bits) override;
    HRESULT TxNotify(DWORD code, void* data) override;
    HIMC TxImmGetContext() override;
    void TxImmReleaseContext(HIMC context) override;
    HRESULT TxGetSelectionBarWidth(LONG* width) override;

private:
    CTextHost(ITextHostOwner* owner, DWORD property_bits);
    virtual ~CTextHost() = default;
    void announce(DWORD bits);

    ITextHostOwner* owner_;  // borrowed; none after shut_down
    ITextServices* services_ = nullptr;
    ULONG references_ = 1;
    DWORD bits_;
    DWORD scroll_bars_ = 0;
    LONG max_length_ = 32767;
    RECT client_{};
    bool transparent_ = true;
    bool caret_allowed_ = true;
    CHARFORMAT2W char_format_{};
    PARAFORMAT2 para_format_{};
    SIZE caret_size_{};
    POINT caret_pos_{};
    bool caret_visible_ = false;
};

}  // namespace ui
