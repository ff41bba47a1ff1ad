// The About box: the program's icon, name and version (read from the program file's version resource), the
// version of the transcoder beside it, and links to the homepage and to support. Modal over its owner.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "platform/Shell.h"
#include "ui/DialogWindow.h"
#include "ui/GdiHandles.h"
#include "ui/HyperLink.h"

namespace ui {

class AboutBox final : private DialogWindow {
public:
    // WM_APP + 7: the transcoder's version has been read (posted by the reading thread).
    static constexpr UINT kTranscoderRead = WM_APP + 7;

    // transcoder: the full path of the transcoder whose version the box shows. module: where the template
    // and the icon are; null for the program itself.
    AboutBox(platform::Shell& shell, std::string transcoder, HINSTANCE module = nullptr);
    ~AboutBox() override;

    void run(HWND owner);

    using DialogWindow::handle;

private:
    struct Reading;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void startReading();
    void showTranscoder();
    // Where the band with the OK button begins, in client pixels.
    int footerTop() const;

    HINSTANCE module_;
    std::string transcoder_;
    std::shared_ptr<Reading> reading_;
    HyperLink homepage_, feedback_;
    FontHandle nameFont_;
    IconHandle icon_;
    BrushHandle white_;
};

// The version of a file's version resource ("4.0.0"), empty when it has none.
std::string fileVersion(const std::string& path);

}  // namespace ui
