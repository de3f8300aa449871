#include "ui/DownloadMeter.h"

namespace pw {

CDownloadMeter::CDownloadMeter(int64_t size, int64_t startMs)
    : m_nSize(size), m_nStartMs(startMs), m_nLastSpeedMs(startMs) {}

DownloadProgress CDownloadMeter::Add(int64_t bytes, int64_t nowMs) {
    m_nReceived += bytes;
    DownloadProgress progress;
    progress.nReceived = m_nReceived;
    progress.nSize = m_nSize;

    const bool sized = m_nSize > 0;
    if (sized) {
        const int percent = static_cast<int>(static_cast<double>(m_nReceived) * 100.0 /
                                             static_cast<double>(m_nSize));
        if (percent != m_nLastPercent) {
            progress.percent = percent;
            m_nLastPercent = percent;
        }
    }

    const int64_t sinceSpeed = nowMs - m_nLastSpeedMs;
    if (sinceSpeed <= kSpeedIntervalMs) return progress;
    progress.rate =
        static_cast<double>(m_nReceived - m_nLastSpeedBytes) / static_cast<double>(sinceSpeed);
    m_nLastSpeedMs = nowMs;
    m_nLastSpeedBytes = m_nReceived;

    if (sized && m_nReceived > 0) {
        const double left = static_cast<double>(nowMs - m_nStartMs) /
                            static_cast<double>(m_nReceived) *
                            static_cast<double>(m_nSize - m_nReceived) / 1000.0;
        // A server that sends more than it announced has nothing left, not less.
        progress.secondsLeft = left > 0 ? static_cast<int64_t>(left) : 0;
    }
    return progress;
}

}  // namespace pw
