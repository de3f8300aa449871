#include "ui/DownloadMeter.h"

namespace pw {

DownloadMeter::DownloadMeter(int64_t size, int64_t startMs)
    : size_(size), startMs_(startMs), lastSpeedMs_(startMs) {}

DownloadProgress DownloadMeter::Add(int64_t bytes, int64_t nowMs) {
    received_ += bytes;
    DownloadProgress progress;
    progress.received = received_;
    progress.size = size_;

    const bool sized = size_ > 0;
    if (sized) {
        const int percent =
            static_cast<int>(static_cast<double>(received_) * 100.0 / static_cast<double>(size_));
        if (percent != lastPercent_) {
            progress.percent = percent;
            lastPercent_ = percent;
        }
    }

    const int64_t sinceSpeed = nowMs - lastSpeedMs_;
    if (sinceSpeed <= kSpeedIntervalMs) return progress;
    progress.rate =
        static_cast<double>(received_ - lastSpeedBytes_) / static_cast<double>(sinceSpeed);
    lastSpeedMs_ = nowMs;
    lastSpeedBytes_ = received_;

    if (sized && received_ > 0) {
        const double left = static_cast<double>(nowMs - startMs_) / static_cast<double>(received_) *
                            static_cast<double>(size_ - received_) / 1000.0;
        // A server that sends more than it announced has nothing left, not less.
        progress.secondsLeft = left > 0 ? static_cast<int64_t>(left) : 0;
    }
    return progress;
}

}  // namespace pw
