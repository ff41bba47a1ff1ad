#include "ui/COptSheet.h"

#include <commctrl.h>
#include <prsht.h>

#include <memory>
#include <vector>

#include "settings/Settings.h"
#include "ui/GdiHandles.h"
#include "ui/OptionPages.h"
#include "ui/logic/AudioPage.h"
#include "ui/logic/GeneralPage.h"
#include "ui/logic/LoudnessPage.h"

namespace ui {

namespace {

constexpr UINT_PTR kSheetSubclass = 1;

// The sheet's font: Tahoma, 11 pixels, on the sheet and its own children (tabs and buttons).
HFONT sheetFont() {
    static HFONT font = [] {
        LOGFONTW description{};
        description.lfHeight = -11;
        lstrcpyW(description.lfFaceName, L"Tahoma");
        return CreateFontIndirectW(&description);
    }();
    return font;
}

// A page of the sheet: its presenter and the window over it.
struct SheetPage {
    std::unique_ptr<OptionPresenter> presenter;
    std::unique_ptr<OptionPage> window;
};
using PageMaker = SheetPage (*)(const OptionContext& context, const PageServices& services);

template <class Presenter, class Window>
SheetPage makePage(const OptionContext& context, const PageServices& services) {
    auto presenter = std::make_unique<Presenter>(context);
    auto window = std::make_unique<Window>(*presenter, services);
    return {std::move(presenter), std::move(window)};
}

// The pages in the order of their tabs; OptStartPageIndex counts in this order, and OK validates and
// applies them in it.
constexpr PageMaker kPages[] = {
    makePage<GeneralPage, COptOutputPage>,
    makePage<AudioPage, COptVideoPage>,
    makePage<LoudnessPage, COptLoudnessPage>,
};
constexpr uint32_t kPageCount = static_cast<uint32_t>(std::size(kPages));

uint32_t* activePageSlot = nullptr;  // where the closing sheet leaves its active page (one sheet at a time)

// The page shown now, kept while the sheet is alive: at its destruction the pages may be gone already.
void rememberActivePage(HWND sheet) {
    const HWND page = PropSheet_GetCurrentPageHwnd(sheet);
    const int index = page != nullptr ? PropSheet_HwndToIndex(sheet, page) : -1;
    if (index >= 0 && activePageSlot != nullptr) *activePageSlot = static_cast<uint32_t>(index);
}

LRESULT CALLBACK sheetProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == PSM_PRESSBUTTON || message == WM_COMMAND || message == WM_DESTROY)
        rememberActivePage(sheet);
    if (message == WM_NCDESTROY) RemoveWindowSubclass(sheet, sheetProc, kSheetSubclass);
    const LRESULT result = DefSubclassProc(sheet, message, wParam, lParam);
    // A page change by the tabs, the keys or a program.
    if (message == WM_NOTIFY || message == PSM_SETCURSEL || message == PSM_SETCURSELID)
        rememberActivePage(sheet);
    return result;
}

int CALLBACK sheetCallback(HWND sheet, UINT message, LPARAM) {
    if (message == PSCB_INITIALIZED) {
        SendMessageW(sheet, WM_SETFONT, reinterpret_cast<WPARAM>(sheetFont()), FALSE);
        for (HWND child = GetWindow(sheet, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t className[32] = {};
            GetClassNameW(child, className, 32);
            if (lstrcmpW(className, L"#32770") != 0)  // the pages set their own font
                SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(sheetFont()), TRUE);
        }
        SetWindowSubclass(sheet, sheetProc, kSheetSubclass, 0);
    }
    return 0;
}

}  // namespace

OptionsOutcome COptSheet::run(HWND owner, AppSettings& settings, Catalogue& catalogue, SettingsStore& store,
                              platform::Shell& shell, platform::Prompts& prompts,
                              const SourceItem* focusedRow) {
    OptionContext context{settings, catalogue, store, focusedRow};
    const PageServices services{store, shell, prompts};
    std::vector<SheetPage> pages;
    std::vector<OptionPresenter*> presenters;
    std::vector<PROPSHEETPAGEW> descriptors;
    for (PageMaker make : kPages) {
        pages.push_back(make(context, services));
        presenters.push_back(pages.back().presenter.get());
        descriptors.push_back(pages.back().window->descriptor());
    }

    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_NOCONTEXTHELP | PSH_USECALLBACK;
    header.hwndParent = owner;
    header.pszCaption = L"Options";
    header.nPages = kPageCount;
    header.nStartPage = settings.OptStartPageIndex < kPageCount ? settings.OptStartPageIndex : 0;
    header.ppsp = descriptors.data();
    header.pfnCallback = sheetCallback;
    uint32_t activePage = header.nStartPage;
    activePageSlot = &activePage;
    const INT_PTR result = PropertySheetW(&header);
    activePageSlot = nullptr;
    settings.OptStartPageIndex = activePage;

    OptionsOutcome outcome;
    if (result <= 0) return outcome;
    // The pages refused to close while a value was wrong, so these find nothing more to refuse.
    const uint32_t audioIndex = settings.RequestAudioIndex;
    if (acceptOptions(presenters, context)) return outcome;
    saveSettings(store, settings, catalogue, kSaveOptionsGroup);
    outcome.accepted = true;
    outcome.audioIndexChanged = settings.RequestAudioIndex != audioIndex;
    return outcome;
}

}  // namespace ui
