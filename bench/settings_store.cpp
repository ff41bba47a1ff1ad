// Times loading and saving the whole settings (28 values + 224 per-format values) through the in-memory
// store and the POSIX file store (each save rewrites and syncs the file once).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "formats/Catalogue.h"
#include "platform/MemorySettingsStore.h"
#include "platform/UserSettingsStore.h"
#include "settings/Settings.h"

namespace {

template <typename F>
double microsecondsPerCall(int calls, F&& f) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) f(i);
    const std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() / calls;
}

void measure(const char* name, SettingsStore& store, int calls) {
    AppSettings settings = defaultSettings("/docs");
    Catalogue catalogue;
    const double save = microsecondsPerCall(calls, [&](int i) {
        settings.ConversionThreads = static_cast<uint32_t>(i % 32 + 1);
        saveSettings(store, settings, catalogue, kSaveExitGroup | kSaveOptionsGroup);
    });
    const double load = microsecondsPerCall(calls, [&](int) {
        AppSettings loaded = defaultSettings("/docs");
        Catalogue fresh;
        loadSettings(store, loaded, fresh);
    });
    HistoryList history;
    for (int i = 0; i < 30; ++i) history.items.push_back("/some/output/folder/" + std::to_string(i));
    const double push = microsecondsPerCall(calls, [&](int i) {
        history.editText = history.items[static_cast<size_t>(i % 30)];
        pushHistory(store, history, kOutputFolderHistory);
    });
    std::printf("%-8s save (both groups) %9.1f us   load %9.1f us   history push %9.1f us\n", name, save,
                load, push);
}

}  // namespace

int main() {
    MemorySettingsStore memory;
    measure("memory", memory, 2000);
#ifndef _WIN32
    const auto folder =
        std::filesystem::temp_directory_path() / ("mdbench-settings-" + std::to_string(::getpid()));
    {
        auto file = platform::openFileSettingsStore((folder / "settings.conf").string());
        measure("file", *file, 200);
        std::printf("file size %ju bytes\n",
                    static_cast<uintmax_t>(std::filesystem::file_size(folder / "settings.conf")));
    }
    std::filesystem::remove_all(folder);
#else
    auto registry = platform::openRegistrySettingsStore("Software\\MelodriftBench");
    measure("registry", *registry, 200);
    registry->deleteKey("Software");
#endif
    return 0;
}
