#include "ui/AboutBox.h"

#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "engine/Transcoder.h"
#include "platform/Files.h"
#include "platform/Product.h"
#include "platform/win32/WinText.h"
#include "resources/resource.h"
#include "ui/logic/AboutText.h"
#include "ui/logic/MainWindowLogic.h"

namespace ui {

using platform::win32::widen;

// Shared by the box and the thread that runs the transcoder: the thread may outlive a box closed early.
struct AboutBox::Reading {
    std::mutex mutex;
    TranscoderState state = TranscoderState::kReading;
    std::string version;
};

std::string fileVersion(const std::string& file) {
    const std::wstring path = widen(file);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<char> block(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data()) ||
        !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) ||
        infoSize < sizeof *info)
        return {};
    return std::to_string(HIWORD(info->dwProductVersionMS)) + "." +
           std::to_string(LOWORD(info->dwProductVersionMS)) + "." +
           std::to_string(HIWORD(info->dwProductVersionLS));
}

AboutBox::AboutBox(platform::Shell& shell, std::string transcoder, HINSTANCE module)
    : DialogWindow(module),
      module_(module),
      transcoder_(std::move(transcoder)),
      homepage_(shell),
      feedback_(shell) {}

AboutBox::~AboutBox() = default;

void AboutBox::run(HWND owner) {
    runModal(IDD_ABOUT, owner);
    nameFont_.reset();
    icon_.reset();
    white_.reset();
}

void AboutBox::startReading() {
    reading_ = std::make_shared<Reading>();
    if (!platform::isExistingFile(transcoder_)) {
        reading_->state = TranscoderState::kMissing;
        return;
    }
    // A transcoder takes a moment to start (longer on a cold disk): the box is shown meanwhile.
    std::thread([reading = reading_, path = transcoder_, window = handle()] {
        const std::optional<std::string> version = transcoderVersion(path);
        {
            const std::lock_guard<std::mutex> lock(reading->mutex);
            reading->state = version ? TranscoderState::kAnswered : TranscoderState::kSilent;
            reading->version = version.value_or(std::string());
        }
        PostMessageW(window, kTranscoderRead, 0, 0);
    }).detach();
}

// The reading thread may be writing its answer while the box opens: read it under the lock.
void AboutBox::showTranscoder() {
    const std::lock_guard<std::mutex> lock(reading_->mutex);
    setItemText(IDC_ABOUT_TRANSCODER, transcoderLine(reading_->state, reading_->version));
}

int AboutBox::footerTop() const {
    RECT line;
    GetWindowRect(item(IDC_ABOUT_LINE), &line);
    MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT*>(&line), 2);
    return line.top;
}

bool AboutBox::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_INITDIALOG: {
            const std::string name = product::kName;
            SetWindowTextW(handle(), widen("About " + name).c_str());
            icon_.reset(static_cast<HICON>(LoadImageW(module_ ? module_ : GetModuleHandleW(nullptr),
                                                      MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON, 48, 48, 0)));
            SendMessageW(item(IDC_ABOUT_ICON), STM_SETICON, reinterpret_cast<WPARAM>(icon_.get()), 0);
            nameFont_.reset(CreateFontW(-20, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                        DEFAULT_PITCH | FF_SWISS, L"Tahoma"));
            SendMessageW(item(IDC_ABOUT_NAME), WM_SETFONT, reinterpret_cast<WPARAM>(nameFont_.get()), FALSE);
            setItemText(IDC_ABOUT_NAME, name);
            const std::string version = fileVersion(platform::programPath().value_or(std::string()));
            setItemText(IDC_ABOUT_VERSION, "Version " + version);
            // The links fit themselves to the text they hold when they take their controls over.
            setItemText(IDC_ABOUT_HOMEPAGE, product::kHost);
            homepage_.setUrl(product::kHomepage);
            homepage_.attach(handle(), IDC_ABOUT_HOMEPAGE);
            feedback_.setUrl(webCommandTarget(ID_FEEDBACK, version));
            feedback_.attach(handle(), IDC_ABOUT_FEEDBACK);
            white_.reset(CreateSolidBrush(GetSysColor(COLOR_WINDOW)));
            startReading();
            showTranscoder();
            centre();
            return false;
        }
        case kTranscoderRead:
            showTranscoder();
            return true;
        case WM_ERASEBKGND: {
            // White above the line, the usual face colour in the band with the OK button.
            const HDC dc = reinterpret_cast<HDC>(wParam);
            RECT client, band;
            GetClientRect(handle(), &client);
            band = client;
            band.top = footerTop();
            client.bottom = band.top;
            FillRect(dc, &client, white_.get());
            FillRect(dc, &band, GetSysColorBrush(COLOR_BTNFACE));
            result = TRUE;
            return true;
        }
        case WM_CTLCOLORSTATIC: {
            const HDC dc = reinterpret_cast<HDC>(wParam);
            RECT control;
            GetWindowRect(reinterpret_cast<HWND>(lParam), &control);
            MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT*>(&control), 2);
            const bool inBand = control.top >= footerTop();
            SetBkColor(dc, GetSysColor(inBand ? COLOR_BTNFACE : COLOR_WINDOW));
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            result = reinterpret_cast<INT_PTR>(inBand ? GetSysColorBrush(COLOR_BTNFACE) : white_.get());
            return true;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(handle(), IDOK);
            return true;
        default:
            return false;
    }
}

}  // namespace ui
