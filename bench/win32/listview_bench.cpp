// How long the file list control takes with 10,000 rows under the real list view: adding them one by one
// (as a batch does), sorting by each column, moving a selection of 5,000 rows, removing them all. Prints
// milliseconds; each includes the control's repaint.
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdio>

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

}  // namespace

int main() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    const HWND parent = CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900,
                                        600, nullptr, nullptr, nullptr, nullptr);
    const HWND list =
        CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA, 0, 0, 880,
                        560, parent, nullptr, nullptr, nullptr);
    FileList model;
    FileListView view(model, list);
    constexpr int kRows = 10000;
    std::printf("rows: %d\n", kRows);
    std::printf("add one by one: %.1f ms\n", timed(parent, [&] {
                    for (int i = 0; i < kRows; ++i) {
                        auto item = std::make_unique<SourceItem>();
                        item->path = "C:\\music\\track " + std::to_string((i * 7919) % kRows) + ".mp3";
                        item->duration = static_cast<uint32_t>((i * 37) % 4000);
                        item->streamSampleRates = {i % 3 == 0 ? 44100u : 48000u};
                        item->streamBitRates = {static_cast<uint32_t>(64 + i % 256)};
                        item->streamChannels = {static_cast<uint32_t>(1 + i % 2)};
                        model.add(std::move(item), 1);
                    }
                    view.flushInserted();
                }));
    for (size_t column = 0; column < kColumnCount; ++column) {
        std::printf("sort by %-12s %.1f ms\n", kListColumns[column].header,
                    timed(parent, [&] { model.sortByHeaderClick(column); }));
    }
    std::printf("select every other row: %.1f ms\n", timed(parent, [&] {
                    for (size_t r = 1; r < model.size(); r += 2) model.setSelected(r, true);
                }));
    std::printf("move 5,000 rows up: %.1f ms\n", timed(parent, [&] { model.moveUp(); }));
    std::printf("move 5,000 rows down: %.1f ms\n", timed(parent, [&] { model.moveDown(); }));
    std::printf("remove all: %.1f ms\n", timed(parent, [&] { model.removeAll(); }));
    DestroyWindow(parent);
    return 0;
}
