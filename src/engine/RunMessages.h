// Window messages of a conversion run (all posted to the main window).
#pragma once

constexpr unsigned kWmRunSetPriority = 0x40A;   // WM_RUN_SET_PRIORITY: wParam priority class
constexpr unsigned kWmRunCancel = 0x42C;        // WM_RUN_CANCEL
constexpr unsigned kWmRunSetThreads = 0x430;    // WM_RUN_SET_THREADS: wParam 1..32
constexpr unsigned kWmConvertProgress = 0x442;  // WM_CONVERT_PROGRESS: lParam ProgressReport*
constexpr unsigned kWmConvertDone = 0x444;      // WM_CONVERT_DONE: wParam SourceItem*, lParam DoneReport*
