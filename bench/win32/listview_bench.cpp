// How long the file list control takes with 50,000 rows under the real list view: adding them one by one
// (as a batch does), sorting by each column, Select All, moving and removing a selection of every other
// row, scrolling from top to bottom, removing them all; and the memory the process holds per row.
// Prints milliseconds; each includes the control's repaint.
// Usage: listview_bench [rows]   (50,000 when not given)
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sources/FileList.h"
#include "ui/FileListView.h"

namespace {

double timed(HWND window, const auto& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    UpdateWindow(window);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

size_t privateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    K32GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                            sizeof counters);
    return counters.WorkingSetSize;  // Wine leaves PrivateUsage at 0
}

}  // namespace

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    const HWND parent = CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900,
                                        600, nullptr, nullptr, nullptr, nullptr);
    const HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"",
                                      WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS,
                                      0, 0, 880, 560, parent, nullptr, nullptr, nullptr);
    FileList model;
    FileListView view(model, list);
    const int rows = argc > 1 ? std::max(2, std::atoi(argv[1])) : 50000;
    std::printf("rows: %d\n", rows);
    const size_t memoryBefore = privateBytes();
    std::printf("add one by one: %.1f ms\n", timed(parent, [&] {
                    for (int i = 0; i < rows; ++i) {
                        auto item = std::make_unique<SourceItem>();
                        item->path = "C:\\music\\track " + std::to_string((i * 7919) % rows) + ".mp3";
                        item->duration = static_cast<uint32_t>((i * 37) % 4000);
                        item->streamSampleRates = {i % 3 == 0 ? 44100u : 48000u};
                        item->streamBitRates = {static_cast<uint32_t>(64 + i % 256)};
                        item->streamChannels = {static_cast<uint32_t>(1 + i % 2)};
                        model.add(std::move(item), 1);
                    }
                    view.flushInserted();
                }));
    std::printf("memory held (working set): %zu bytes per row\n", (privateBytes() - memoryBefore) / rows);
    for (size_t column = 0; column < kColumnCount; ++column) {
        std::printf("sort by %-12s %.1f ms\n", kListColumns[column].header,
                    timed(parent, [&] { model.sortByHeaderClick(column); }));
    }
    std::printf("select all: %.1f ms\n", timed(parent, [&] { model.selectAll(); }));
    std::printf("sort all selected: %.1f ms\n", timed(parent, [&] { model.sortByHeaderClick(kColumnFile); }));
    std::printf("select every other row: %.1f ms\n", timed(parent, [&] {
                    for (size_t r = 0; r < model.size(); ++r) model.setSelected(r, r % 2 == 1);
                }));
    std::printf("sort half selected: %.1f ms\n",
                timed(parent, [&] { model.sortByHeaderClick(kColumnDuration); }));
    std::printf("move half up: %.1f ms\n", timed(parent, [&] { model.moveUp(); }));
    std::printf("move half down: %.1f ms\n", timed(parent, [&] { model.moveDown(); }));
    std::printf("scroll to the bottom, 50 pages a step: %.1f ms\n", timed(parent, [&] {
                    const int page = ListView_GetCountPerPage(list);
                    for (int r = 0; r < static_cast<int>(model.size()); r += page * 50) {
                        ListView_EnsureVisible(list, r, FALSE);
                        UpdateWindow(list);
                    }
                }));
    std::printf("remove the selected half: %.1f ms\n", timed(parent, [&] { model.removeSelected(); }));
    std::printf("remove all: %.1f ms\n", timed(parent, [&] { model.removeAll(); }));
    DestroyWindow(parent);
    return 0;
}
