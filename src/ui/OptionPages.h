// The pages of the Options sheet: thin windows over their presenters (GeneralPage, AudioPage, LoudnessPage).
// Each copies its presenter's state into the controls and hands every edit back; the sheet applies the
// presenters after it closes with OK, so the pages store nothing themselves.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <optional>

#include "ui/GdiHandles.h"
#include "ui/logic/AudioPage.h"
#include "ui/logic/GeneralPage.h"
#include "ui/logic/LoudnessPage.h"
#include "ui/logic/OptionPresenter.h"

class SettingsStore;

namespace platform {
class Prompts;
class Shell;
}  // namespace platform

namespace ui {

// What every page may use besides its presenter.
struct PageServices {
    SettingsStore& store;
    platform::Shell& shell;
    platform::Prompts& prompts;
};

// A page of the Options sheet: its PROPSHEETPAGEW (template, dialog procedure, this as lParam). It may be
// left when its presenter validates.
class OptionPage {
public:
    OptionPage(const OptionPage&) = delete;
    OptionPage& operator=(const OptionPage&) = delete;
    virtual ~OptionPage() = default;

    PROPSHEETPAGEW descriptor();
    // Null until the sheet first shows the page.
    HWND handle() const { return hwnd_; }

protected:
    OptionPage(int templateId, OptionPresenter& presenter, const PageServices& services);

    // The first time the page is shown; it ends with refresh.
    virtual void initialise() = 0;
    // The controls from the presenter.
    virtual void refresh() = 0;
    // A control's WM_COMMAND (not sent while the page refreshes its controls).
    virtual void onCommand(int id, int code) = 0;
    // Other notifications from controls; true when handled, with the answer in result.
    virtual bool onNotify(const NMHDR& header, LRESULT& result);

    const PageServices& services() const { return services_; }
    HWND item(int id) const { return GetDlgItem(hwnd_, id); }
    // Sets the text of a control when it differs, so the caret stays while the user types.
    void showText(int id, const std::string& text) const;
    void focus(int id) const;
    // Controls are set from the presenter inside this guard; their notifications are then ignored.
    class Refreshing {
    public:
        explicit Refreshing(OptionPage& page) : page_(page), was_(page.refreshing_) {
            page.refreshing_ = true;
        }
        ~Refreshing() { page_.refreshing_ = was_; }
        Refreshing(const Refreshing&) = delete;
        Refreshing& operator=(const Refreshing&) = delete;

    private:
        OptionPage& page_;
        bool was_;
    };

private:
    static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Shows the refusal and focuses its control; true when the page may be left.
    bool mayLeave();
    void applyFont();

    int templateId_;
    OptionPresenter& presenter_;
    PageServices services_;
    HWND hwnd_ = nullptr;
    FontHandle font_;
    bool refreshing_ = false;
};

class COptOutputPage final : public OptionPage {
public:
    COptOutputPage(GeneralPage& logic, const PageServices& services);

private:
    void initialise() override;
    void refresh() override;
    void onCommand(int id, int code) override;

    GeneralPage& logic_;
};

class COptVideoPage final : public OptionPage {
public:
    COptVideoPage(AudioPage& logic, const PageServices& services);

private:
    void initialise() override;
    void refresh() override;
    void onCommand(int id, int code) override;
    bool onNotify(const NMHDR& header, LRESULT& result) override;

    AudioPage& logic_;
};

class COptLoudnessPage final : public OptionPage {
public:
    COptLoudnessPage(LoudnessPage& logic, const PageServices& services);

private:
    void initialise() override;
    void refresh() override;
    void onCommand(int id, int code) override;

    LoudnessPage& logic_;
};

}  // namespace ui
