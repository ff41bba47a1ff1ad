#include "ui/HyperLink.h"

#include <commctrl.h>

#include "platform/Product.h"
#include "platform/win32/WinText.h"
#include "ui/MemberSubclass.h"
#include "ui/SkinButton.h"

namespace ui {

using platform::win32::narrow;
using platform::win32::widen;

namespace {

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void showFailure(HWND owner, const std::string& text) {
    MessageBeep(MB_ICONEXCLAMATION);
    MessageBoxW(owner, widen(text).c_str(), widen(product::kName).c_str(), MB_OK | MB_ICONEXCLAMATION);
}

// The window's rectangle in its parent's client coordinates.
RECT rectInParent(HWND window, HWND parent) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

HyperLink::HyperLink(platform::Shell& shell) : shell_(shell), report_(showFailure) {}

HyperLink::~HyperLink() {
    if (window_ != nullptr && IsWindow(window_)) {
        KillTimer(window_, kHoverTimer);
        detach();
    }
}

bool HyperLink::attach(HWND control) {
    if (window_ != nullptr || control == nullptr || !IsWindow(control)) return false;
    HWND parent = GetParent(control);
    if (parent == nullptr) return false;
    window_ = control;
    parent_ = parent;
    // Without the notify style a static control passes clicks through to its parent.
    SetWindowLongPtrW(control, GWL_STYLE, GetWindowLongPtrW(control, GWL_STYLE) | SS_NOTIFY);

    const std::string text = narrow(windowText(control));
    const LinkTexts texts = linkTexts(url_, text);
    url_ = texts.url;
    if (texts.shown != text) SetWindowTextW(control, widen(texts.shown).c_str());

    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (font == nullptr) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (font == nullptr) font = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
    LOGFONTW description{};
    GetObjectW(font, sizeof description, &description);
    description.lfUnderline = FALSE;
    normalFont_.reset(CreateFontIndirectW(&description));
    description.lfUnderline = TRUE;
    underlinedFont_.reset(CreateFontIndirectW(&description));

    const auto self = reinterpret_cast<UINT_PTR>(this);
    if (!SetWindowSubclass(control, linkProc, self, 0) || !SetWindowSubclass(parent, parentProc, self, 0)) {
        detach();
        return false;
    }
    fitToText();
    if (handCursor_ == nullptr) handCursor_ = loadHandCursor();
    showFont();
    createTooltip();
    repaint();
    return true;
}

void HyperLink::detach() {
    const auto self = reinterpret_cast<UINT_PTR>(this);
    tooltip_.reset();
    if (window_ != nullptr) RemoveWindowSubclass(window_, linkProc, self);
    if (parent_ != nullptr) RemoveWindowSubclass(parent_, parentProc, self);
    window_ = parent_ = nullptr;
}

void HyperLink::setUrl(const std::string& url) {
    url_ = url;
    if (window_ == nullptr) return;
    fitToText();
    updateTool();
}

void HyperLink::setUnderlineMode(UnderlineMode mode) {
    if (!state_.setUnderlineMode(mode) || window_ == nullptr) return;
    showFont();
    repaint();
}

void HyperLink::setColors(const LinkColors& colors) {
    state_.setColors(colors);
    repaint();
}

void HyperLink::showFont() {
    if (window_ == nullptr) return;
    const HFONT font = state_.underlined() ? underlinedFont_.get() : normalFont_.get();
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void HyperLink::repaint() {
    if (window_ == nullptr || parent_ == nullptr) return;
    // The text is drawn without a background: the parent repaints what lies beneath (a little below too,
    // where the underline goes) before the link draws itself again.
    RECT r = rectInParent(window_, parent_);
    r.bottom += 10;
    RedrawWindow(parent_, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void HyperLink::fitToText() {
    if (!autoSize_ || window_ == nullptr) return;
    const std::wstring text = windowText(window_);
    const LONG_PTR style = GetWindowLongPtrW(window_, GWL_STYLE);
    RECT textRect{};
    {
        WindowDc dc(window_);
        SelectGuard select(dc.get(), underlinedFont_.get());
        DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &textRect,
                  DT_CALCRECT | DT_SINGLELINE | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0));
    }
    RECT window{}, client{};
    GetWindowRect(window_, &window);
    GetClientRect(window_, &client);
    const Size size{textRect.right - textRect.left + (window.right - window.left) - client.right,
                    textRect.bottom - textRect.top + (window.bottom - window.top) - client.bottom};
    const RECT old = rectInParent(window_, parent_);
    const LONG_PTR align = style & SS_TYPEMASK;
    const HorizontalAnchor anchor = align == SS_CENTER  ? HorizontalAnchor::Centre
                                    : align == SS_RIGHT ? HorizontalAnchor::Right
                                                        : HorizontalAnchor::Left;
    const Rect fitted =
        fitToSize({old.left, old.top, old.right, old.bottom}, size, anchor, (style & SS_CENTERIMAGE) != 0);
    SetWindowPos(window_, nullptr, fitted.left, fitted.top, fitted.width(), fitted.height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void HyperLink::createTooltip() {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&init);
    tooltip_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_,
                                   nullptr, GetModuleHandleW(nullptr), nullptr));
    if (!tooltip_) return;
    std::wstring text = widen(url_);
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;  // accepted by every version of the common controls
    tool.hwnd = window_;
    tool.uId = 1;
    GetClientRect(window_, &tool.rect);
    tool.lpszText = text.data();
    SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltip_.get(), TTM_ACTIVATE, TRUE, 0);
}

void HyperLink::updateTool() {
    if (!tooltip_) return;
    std::wstring text = widen(url_);
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = window_;
    tool.uId = 1;
    GetClientRect(window_, &tool.rect);
    SendMessageW(tooltip_.get(), TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    tool.lpszText = text.data();
    SendMessageW(tooltip_.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void HyperLink::click() {
    state_.clicked();
    const intptr_t result = shell_.openDocument(url_, platform::kShow);
    const auto failure = state_.opened(result);
    repaint();
    if (failure && report_) report_(GetAncestor(window_, GA_ROOT), *failure);
}

LRESULT HyperLink::onLinkMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (tooltip_ && message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
        MSG relayed{window, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
        GetCursorPos(&relayed.pt);
        SendMessageW(tooltip_.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    switch (message) {
        case WM_MOUSEMOVE:
            if (state_.mouseMoved()) {
                showFont();
                repaint();
                SetTimer(window, kHoverTimer, 100, nullptr);
            }
            break;
        case WM_TIMER:
            if (wParam == kHoverTimer) {
                // Polled rather than tracked: the link must also let go when the cursor jumps away from it.
                POINT cursor{};
                GetCursorPos(&cursor);
                ScreenToClient(window, &cursor);
                RECT client{};
                GetClientRect(window, &client);
                if (!PtInRect(&client, cursor)) {
                    state_.mouseLeft();
                    KillTimer(window, kHoverTimer);
                    showFont();
                    repaint();
                }
                return 0;
            }
            break;
        case WM_SETCURSOR:
            if (handCursor_ != nullptr) {
                SetCursor(handCursor_);
                return TRUE;
            }
            break;
        case WM_ERASEBKGND:
            return TRUE;
        case WM_SIZE: {
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            updateTool();
            return result;
        }
        case WM_DESTROY:
            KillTimer(window, kHoverTimer);
            tooltip_.reset();
            break;
        case WM_NCDESTROY:
            detach();
            break;
        default:
            break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

const SUBCLASSPROC HyperLink::linkProc = memberSubclassProc<HyperLink, &HyperLink::onLinkMessage>;
const SUBCLASSPROC HyperLink::parentProc = memberSubclassProc<HyperLink, &HyperLink::onParentMessage>;

LRESULT HyperLink::onParentMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool ours = window_ != nullptr && reinterpret_cast<HWND>(lParam) == window_;
    if (message == WM_CTLCOLORSTATIC && ours) {
        const auto dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, state_.textColor());
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(HOLLOW_BRUSH));
    }
    if (message == WM_COMMAND && ours && HIWORD(wParam) == STN_CLICKED) {
        click();
        return 0;
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, parentProc, reinterpret_cast<UINT_PTR>(this));
        parent_ = nullptr;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace ui
