#include <gtest/gtest.h>

#include "ui/logic/RunWindowsLogic.h"

using ui::ProgressWindowModel;

namespace {

ProgressWindowModel model(uint32_t priority, uint32_t threads) {
    ProgressSetup setup;
    setup.priorityClass = priority;
    setup.threads = threads;
    return ProgressWindowModel(setup);
}

}  // namespace

TEST(ProgressWindowModel, PriorityItemsCarryTheWindowsClasses) {
    const uint32_t classes[] = {0x80, 0x8000, 0x20, 0x4000, 0x40};  // High ... Idle
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(model(classes[i], 2).prioritySelection(), i);
        auto m = model(0x20, 2);
        EXPECT_EQ(m.choosePriority(i), classes[i]);
        EXPECT_EQ(m.priorityClass(), classes[i]);
    }
    // REALTIME_PRIORITY_CLASS is no item: nothing is selected and the class stays until a pick.
    auto m = model(0x100, 2);
    EXPECT_EQ(m.prioritySelection(), std::nullopt);
    EXPECT_EQ(m.choosePriority(5), std::nullopt);
    EXPECT_EQ(m.choosePriority(static_cast<size_t>(-1)), std::nullopt);  // CB_ERR
    EXPECT_EQ(m.priorityClass(), 0x100u);
}

TEST(ProgressWindowModel, ThreadNumbersOutsideTheListSelectTheFirstAndAreKept) {
    const struct {
        uint32_t stored;
        size_t selected;
    } rows[] = {{1, 0}, {32, 31}, {0, 0}, {33, 0}, {0xFFFFFFFF, 0}};
    for (const auto& row : rows) {
        auto m = model(0x20, row.stored);
        EXPECT_EQ(m.threadSelection(), row.selected) << row.stored;
        EXPECT_EQ(m.threads(), row.stored);
    }
    auto m = model(0x20, 40);
    EXPECT_EQ(m.chooseThreads(32), std::nullopt);
    EXPECT_EQ(m.chooseThreads(31), 32u);
    EXPECT_EQ(m.threads(), 32u);
}

TEST(ShutdownCountdown, FailureMessageDropsTheLineBreaksOfTheSystemText) {
    const std::string head = "Melodrift failed to shut down Windows because of the following error.\n\n";
    EXPECT_EQ(ui::shutdownFailureText("Access is denied.\r\n"), head + "Access is denied.");
    EXPECT_EQ(ui::shutdownFailureText("A\r\nB\nC%s"), head + "ABC%s");
    // A code the system has no text for still tells the user.
    EXPECT_EQ(ui::shutdownFailureMessage(0x7FFFFFF0), head + "error 2147483632");
    // A timer message late after the closing one finds the countdown still run out.
    ui::ShutdownCountdown countdown;
    for (int i = 0; i < 30; ++i) countdown.tick();
    EXPECT_EQ(countdown.tick(), std::nullopt);
    EXPECT_EQ(countdown.tick(), std::nullopt);
}
