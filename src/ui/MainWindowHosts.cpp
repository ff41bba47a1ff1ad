#include "ui/MainWindowHosts.h"

#include <commdlg.h>

#include <commctrl.h>

#include "platform/Prompts.h"
#include "platform/Shell.h"
#include "platform/win32/WinShell.h"
#include "sources/FileList.h"
#include "ui/BusyWindow.h"
#include "ui/CountdownWindow.h"
#include "ui/FileListView.h"
#include "ui/ProgressWindow.h"

namespace ui {

namespace {

constexpr int kStatusColumnWideWidth = 500;

platform::PromptIcon promptIcon(MessageIcon icon) {
    return icon == MessageIcon::kInformation ? platform::PromptIcon::kInformation
                                             : platform::PromptIcon::kWarning;
}

}  // namespace

MainListHost::MainListHost(HWND window, FileListView& view, platform::Prompts& prompts)
    : window_(window), view_(view), prompts_(prompts) {}

std::unique_ptr<BusyIndicator> MainListHost::openBusy(const std::string& text) {
    return std::make_unique<BusyWindow>(window_, text);
}

void MainListHost::setMainWindowEnabled(bool enabled) {
    EnableWindow(window_, enabled ? TRUE : FALSE);
    // A disabled window loses the keyboard focus: give it back, or the keys go nowhere until a click.
    if (enabled) {
        view_.flushInserted();
        if (GetFocus() == nullptr) SetFocus(view_.handle());
    }
}

void MainListHost::pumpMessages() { platform::win32::pumpMessages(); }

void MainListHost::showMessage(const std::string& text, MessageIcon icon) {
    prompts_.show(window_, text, promptIcon(icon));
}

MainRunHost::MainRunHost(HWND window, FileList& list, FileListView& view, MainListHost& listHost,
                         AppSettings& settings, platform::Shell& shell, platform::Prompts& prompts,
                         platform::Shutdown* shutdown)
    : window_(window),
      list_(list),
      view_(view),
      listHost_(listHost),
      settings_(settings),
      shell_(shell),
      prompts_(prompts),
      shutdown_(shutdown) {}

MainRunHost::~MainRunHost() = default;

HWND MainRunHost::progressWindow() const { return progress_ ? progress_->handle() : nullptr; }

void MainRunHost::setStatus(SourceItem& item, const std::string& text) {
    list_.setStatus(list_.rowOf(item), text);
}

void MainRunHost::scrollIntoView(int32_t row) {
    if (row >= 0) list_.scrollIntoView(static_cast<size_t>(row));
}

void MainRunHost::widenStatusColumn() {
    if (statusWidened_) return;
    statusWidened_ = true;
    view_.setColumnWidth(kColumnStatus, kStatusColumnWideWidth);
}

void MainRunHost::openProgress(const ProgressSetup& setup) {
    progress_ = std::make_unique<ProgressWindow>(shell_);
    progress_->open(window_, setup);
}

void MainRunHost::setProgressText(const std::string& text) {
    if (progress_) progress_->setText(text);
}

void MainRunHost::setProgressFraction(double fraction) {
    if (progress_) progress_->setBarFraction(fraction);
}

void MainRunHost::stepProgressBar() {
    if (progress_) progress_->stepBar();
}

void MainRunHost::setProgressPercent(const std::string& text) {
    if (progress_) progress_->setPercent(text);
}

void MainRunHost::keepThreads(uint32_t threads) { settings_.ConversionThreads = threads; }

void MainRunHost::keepPriority(uint32_t priorityClass) { settings_.ConversionPriority = priorityClass; }

bool MainRunHost::closeProgress() {
    if (!progress_) return false;
    const bool shutDown = progress_->close();
    progress_.reset();
    return shutDown;
}

std::optional<std::string> MainRunHost::chooseJoinedOutput(const std::string& extension) {
    platform::FileDialogRequest request;
    request.owner = window_;
    request.open = false;
    request.filter = {{"*." + extension, "*." + extension}};
    request.defaultExtension = "." + extension;
    request.flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    const auto answer = shell_.chooseFile(request);
    if (!answer || answer->empty()) return std::nullopt;
    return answer->front();
}

void MainRunHost::showInFileManager(const std::string& path) { shell_.showInExplorer(path); }

void MainRunHost::startShutdownCountdown() {
    if (shutdown_ == nullptr) return;
    CountdownWindow countdown(*shutdown_, [this](const std::string& text) {
        prompts_.show(window_, text, platform::PromptIcon::kWarning);
    });
    countdown.run(window_);
}

}  // namespace ui
