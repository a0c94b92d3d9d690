// Progress shown at a short interval instead of after every record: a
// million-record pass would otherwise spend its time repainting.
#pragma once

#include <chrono>

namespace qv::sortation {

class Throttle {
public:
    explicit Throttle(std::chrono::milliseconds interval = std::chrono::milliseconds(40)) : interval_(interval) {}
    // True when the interval has passed since the last time it said so (and
    // the first time it is asked).
    bool due() {
        const auto now = Clock::now();
        if (started_ && now - last_ < interval_) return false;
        started_ = true;
        last_ = now;
        return true;
    }

private:
    using Clock = std::chrono::steady_clock;
    std::chrono::milliseconds interval_;
    Clock::time_point last_{};
    bool started_ = false;
};

}  // namespace qv::sortation
