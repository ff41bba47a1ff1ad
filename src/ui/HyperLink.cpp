#include "ui/HyperLink.h"

#include <commctrl.h>

#include "platform/Product.h"
#include "platform/win32/WinText.h"
#include "ui/DialogWindow.h"
#include "ui/SkinButton.h"

namespace ui {

using platform::win32::widen;

namespace {

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
    if (hooks_.control != nullptr && IsWindow(hooks_.control)) {
        KillTimer(hooks_.control, kHoverTimer);
        detach();
    }
}

bool HyperLink::attach(HWND control) {
    if (!hooks_.take(control, this)) return false;
    // Without the notify style a static control passes clicks through to its parent.
    SetWindowLongPtrW(control, GWL_STYLE, GetWindowLongPtrW(control, GWL_STYLE) | SS_NOTIFY);

    const std::string text = windowText(control);
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

    if (!hooks_.hook()) {
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
    tooltip_.reset();
    hooks_.release();
}

void HyperLink::setUrl(const std::string& url) {
    url_ = url;
    if (hooks_.control == nullptr) return;
    fitToText();
    updateTool();
}

void HyperLink::setUnderlineMode(UnderlineMode mode) {
    if (!state_.setUnderlineMode(mode) || hooks_.control == nullptr) return;
    showFont();
    repaint();
}

void HyperLink::setColors(const LinkColors& colors) {
    state_.setColors(colors);
    repaint();
}

void HyperLink::showFont() {
    if (hooks_.control == nullptr) return;
    const HFONT font = state_.underlined() ? underlinedFont_.get() : normalFont_.get();
    SendMessageW(hooks_.control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void HyperLink::repaint() {
    if (hooks_.control == nullptr || hooks_.parent == nullptr) return;
    // The text is drawn without a background: the parent repaints what lies beneath (a little below too,
    // where the underline goes) before the link draws itself again.
    RECT r = rectInParent(hooks_.control, hooks_.parent);
    r.bottom += 10;
    RedrawWindow(hooks_.parent, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void HyperLink::fitToText() {
    if (!autoSize_ || hooks_.control == nullptr) return;
    const std::wstring text = widen(windowText(hooks_.control));
    const LONG_PTR style = GetWindowLongPtrW(hooks_.control, GWL_STYLE);
    RECT textRect{};
    {
        WindowDc dc(hooks_.control);
        SelectGuard select(dc.get(), underlinedFont_.get());
        DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &textRect,
                  DT_CALCRECT | DT_SINGLELINE | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0));
    }
    RECT window{}, client{};
    GetWindowRect(hooks_.control, &window);
    GetClientRect(hooks_.control, &client);
    const Size size{textRect.right - textRect.left + (window.right - window.left) - client.right,
                    textRect.bottom - textRect.top + (window.bottom - window.top) - client.bottom};
    const RECT old = rectInParent(hooks_.control, hooks_.parent);
    const LONG_PTR align = style & SS_TYPEMASK;
    const HorizontalAnchor anchor = align == SS_CENTER  ? HorizontalAnchor::Centre
                                    : align == SS_RIGHT ? HorizontalAnchor::Right
                                                        : HorizontalAnchor::Left;
    const Rect fitted =
        fitToSize({old.left, old.top, old.right, old.bottom}, size, anchor, (style & SS_CENTERIMAGE) != 0);
    SetWindowPos(hooks_.control, nullptr, fitted.left, fitted.top, fitted.width(), fitted.height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void HyperLink::createTooltip() {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&init);
    tooltip_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hooks_.control,
                                   nullptr, GetModuleHandleW(nullptr), nullptr));
    if (!tooltip_) return;
    std::wstring text = widen(url_);
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;  // accepted by every version of the common controls
    tool.hwnd = hooks_.control;
    tool.uId = 1;
    GetClientRect(hooks_.control, &tool.rect);
    tool.lpszText = text.data();
    SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltip_.get(), TTM_ACTIVATE, TRUE, 0);
}

void HyperLink::updateTool() {
    if (!tooltip_) return;
    std::wstring text = widen(url_);
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = hooks_.control;
    tool.uId = 1;
    GetClientRect(hooks_.control, &tool.rect);
    SendMessageW(tooltip_.get(), TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    tool.lpszText = text.data();
    SendMessageW(tooltip_.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void HyperLink::click() {
    state_.clicked();
    const intptr_t result = shell_.openDocument(url_, platform::kShow);
    const auto failure = state_.opened(result);
    repaint();
    if (failure && report_) report_(GetAncestor(hooks_.control, GA_ROOT), *failure);
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

LRESULT HyperLink::onParentMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool ours = hooks_.control != nullptr && reinterpret_cast<HWND>(lParam) == hooks_.control;
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
    return hooks_.parentDefault(window, message, wParam, lParam);
}

}  // namespace ui
