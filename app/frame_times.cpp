#include "frame_times.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

void FrameTimes::frameEnded(double nowMs) {
    if (ended == 0)
        first = nowMs;
    else {
        gaps.push_back(nowMs - lastMs);
        // Frames ended while a photograph named was still on its way (and the one showing
        // the last of them).
        if (photos < 0.0 && started >= 0.0)
            loadingMost = std::max(loadingMost, nowMs - lastMs);
    }
    lastMs = nowMs;
    ++ended;
}

void FrameTimes::photosShown(double nowMs) {
    if (photos < 0.0)
        photos = nowMs;
}

double FrameTimes::percentile(std::vector<double> values, double percent) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const double rank = std::ceil(percent / 100.0 * static_cast<double>(values.size()));
    const std::size_t i = rank < 1.0 ? 0 : static_cast<std::size_t>(rank) - 1;
    return values[std::min(i, values.size() - 1)];
}

void FrameTimes::photosStarted(double ms) {
    if (started < 0.0 && ms >= 0.0)
        started = ms;
}

std::string FrameTimes::json() const {
    const double ms = timedMs();
    const double fps = ms > 0.0 ? static_cast<double>(gaps.size()) * 1000.0 / ms : 0.0;
    char shown[32] = "null";
    if (photos >= 0.0)
        std::snprintf(shown, sizeof shown, "%.1f", photos);
    char sent[32] = "null";
    if (started >= 0.0)
        std::snprintf(sent, sizeof sent, "%.1f", started);
    char line[320];
    std::snprintf(line, sizeof line,
                  "{\"frames\": %zu, \"fps\": %.1f, \"first_frame_ms\": %.1f, \"photos_ms\": %s, "
                  "\"photos_started_ms\": %s, "
                  "\"frame_ms\": {\"p50\": %.3f, \"p95\": %.3f, \"p99\": %.3f, \"max\": %.3f, "
                  "\"max_loading\": %.3f}}",
                  ended, fps, first, shown, sent, percentile(gaps, 50), percentile(gaps, 95),
                  percentile(gaps, 99), percentile(gaps, 100), loadingMost);
    return line;
}
