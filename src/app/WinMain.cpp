// The desktop program's entry: checks that the transcoder is there, starts COM, the common controls and
// the audio library, runs the main window, and frees the library at the end.
#include <windows.h>

#include <objbase.h>

#include <commctrl.h>

#include <cstdlib>
#include <ctime>

#include "audio/BassReader.h"
#include "engine/Transcoder.h"
#include "platform/Files.h"
#include "platform/Product.h"
#include "platform/Prompts.h"
#include "platform/Shell.h"
#include "platform/Shutdown.h"
#include "platform/Text.h"
#include "platform/UserSettingsStore.h"
#include "ui/MainDialog.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    platform::Prompts& prompts = platform::systemPrompts();
    platform::Shell& shell = platform::systemShell();
    const std::string folder = platform::programFolder().value_or(std::string());
    if (!platform::pathExists(folder + kTranscoderFileName)) {
        const std::string text = platform::fillIn(
            "%s could not start up. Some files of the program are missing or corrupted.\n\nPlease "
            "re-download "
            "the program and then install it again. Do you want to download it now?",
            product::kName);
        if (prompts.show(nullptr, text, platform::PromptIcon::kError, platform::PromptButtons::kYesNo) ==
            platform::PromptAnswer::kYes)
            shell.openDocument(product::kDownloadPage, platform::kShowNormal);
        return 0;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    std::srand(static_cast<unsigned>(std::time(nullptr)) * static_cast<unsigned>(GetTickCount()));

    switch (startAudioLibrary(folder)) {
        case BassStartResult::WrongVersion:
            return 0;
        case BassStartResult::InitFailed:
            prompts.show(nullptr, "Failed to initialize the software (0x0002020).",
                         platform::PromptIcon::kError);
            return 0;
        case BassStartResult::Started:
            break;
    }
    {
        std::unique_ptr<SettingsStore> store = platform::openUserSettingsStore();
        MainServices services;
        services.store = store.get();
        services.shell = &shell;
        services.prompts = &prompts;
        services.shutdown = &platform::systemShutdown();
        services.programFolder = folder;
        MainDialog dialog(services);
        dialog.run();
    }
    stopAudioLibrary();
    CoUninitialize();
    return 0;
}
