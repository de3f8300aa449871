#pragma once
// Decides, block by block, what a download's progress display should change: the
// percentage only when its whole number changes, speed and time left at most
// once a second. Times are milliseconds from any fixed origin.

#include <cstdint>
#include <optional>

namespace pw {

struct DownloadProgress {
    int64_t received = 0;
    int64_t size = -1;                   // -1: the server gave no length
    std::optional<int> percent;          // set when the whole percentage changed
    std::optional<double> rate;          // bytes per millisecond, when due
    std::optional<int64_t> secondsLeft;  // with the rate, when the size is known

    bool HasNews() const { return percent || rate; }
};

class DownloadMeter {
public:
    static constexpr int64_t kSpeedIntervalMs = 1000;

    DownloadMeter(int64_t size, int64_t startMs);

    // After a block of bytes has been written.
    DownloadProgress Add(int64_t bytes, int64_t nowMs);

    int64_t Received() const { return received_; }

private:
    const int64_t size_;
    const int64_t startMs_;
    int64_t received_ = 0;
    int64_t lastSpeedMs_;
    int64_t lastSpeedBytes_ = 0;
    int lastPercent_ = 0;
};

}  // namespace pw
