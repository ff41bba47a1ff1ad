// A busy window that records what a long step shows and presses Cancel after a given number of pumps.
#pragma once

#include <string>
#include <vector>

#include "engine/BusyIndicator.h"

namespace testing_support {

class BusyRecorder final : public BusyIndicator {
public:
    int width = 200;
    int cancelAtPump = 0;  // 0: never
    int pumps = 0;
    std::vector<std::string> texts, percents;
    std::vector<int> bars;

    void setText(const std::string& text) override { texts.push_back(text); }
    int barWidth() const override { return width; }
    void setBar(int position) override { bars.push_back(position); }
    void setPercent(const std::string& text) override { percents.push_back(text); }
    void pumpMessages() override { ++pumps; }
    bool cancelled() const override { return cancelAtPump > 0 && pumps >= cancelAtPump; }

    // True when the percents and the bar only grew (after the bar's reset to 0) and ended full.
    bool grewToFull() const {
        std::vector<int> numbers;
        for (const auto& p : percents) numbers.push_back(std::stoi(p));
        const auto rising = [](const std::vector<int>& v) {
            for (size_t i = 1; i < v.size(); ++i)
                if (v[i] <= v[i - 1]) return false;
            return !v.empty();
        };
        return rising(numbers) && percents.back() == "100%" && bars.size() > 1 && bars.front() == 0 &&
               rising(bars) && bars.back() == width;
    }
};

}  // namespace testing_support
