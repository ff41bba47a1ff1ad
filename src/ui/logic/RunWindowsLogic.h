// What the windows of a conversion run show and decide: the progress window's lists, folder line and
// shut-down box, and the shut-down countdown. The Win32 windows only copy this to their controls.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ConversionRun.h"

namespace ui {

struct PriorityItem {
    const char* text;
    uint32_t priorityClass;  // the Windows process priority class
};

// The priority list, highest first.
inline constexpr std::array<PriorityItem, 5> kPriorityItems{{
    {"High", 0x80},
    {"Above Normal", 0x8000},
    {"Normal", 0x20},
    {"Below Normal", 0x4000},
    {"Idle", 0x40},
}};

inline constexpr uint32_t kMostThreads = 32;
inline constexpr const char* kSameAsSourceText = "Same as source file";

// The progress window's state: what it was opened with, what the user picked since, the shut-down box.
class ProgressWindowModel {
public:
    explicit ProgressWindowModel(const ProgressSetup& setup = {}) : setup_(setup) {}

    static std::vector<std::string> priorityTexts();
    // "1" to "32".
    static std::vector<std::string> threadTexts();

    // The item that carries the stored class; none when no item does (the list then shows no choice and
    // the stored class stays until the user picks one).
    std::optional<size_t> prioritySelection() const;
    // The item of the stored number; the first one when the number is outside 1 to 32 (it is kept).
    size_t threadSelection() const;

    // The folder line: the output folder, or "Same as source file" with the folder button disabled.
    std::string folderText() const;
    bool folderButtonEnabled() const { return !setup_.outputFolder.empty(); }
    // The folder the "Output Folder" button opens: none while no folder is set or it does not exist.
    std::optional<std::string> folderToOpen() const;

    // The user picked an item: its value is stored and returned for the owner; none when the index is no
    // item of the list (a list without a selection).
    std::optional<uint32_t> choosePriority(size_t index);
    std::optional<uint32_t> chooseThreads(size_t index);

    uint32_t priorityClass() const { return setup_.priorityClass; }
    uint32_t threads() const { return setup_.threads; }
    bool shutDown() const { return shutDown_; }
    void setShutDown(bool on) { shutDown_ = on; }

private:
    ProgressSetup setup_;
    bool shutDown_ = false;
};

inline constexpr int kCountdownSeconds = 30;

// The countdown before the shut-down. The window's timer calls tick once a second.
class ShutdownCountdown {
public:
    static std::string warningText();
    // The seconds line to show now, counting from 30 at the first tick down to 1; none once it has run
    // out, when the window closes and the shut-down starts.
    std::optional<std::string> tick();
    int remaining() const { return remaining_; }

private:
    int remaining_ = kCountdownSeconds;
};

// The message after a failed shut-down, the system's text without its line breaks.
std::string shutdownFailureText(std::string_view systemText);
// The same for an error code: the system's text for it, or "error N" when the system has none (the user
// is told either way that Windows keeps running).
std::string shutdownFailureMessage(uint32_t error);

}  // namespace ui
