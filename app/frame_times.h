// Frame times of a benchmark run: how long the first frame took to appear and the gaps
// between the ends of the frames after it, summed up as one line of JSON.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class FrameTimes {
public:
    /// A frame ended `nowMs` milliseconds after the program started.
    void frameEnded(double nowMs);

    /// Frames ended so far, the first one included.
    std::size_t frames() const { return ended; }
    /// Every photograph that can be shown is on screen from the frame that ended at `nowMs`
    /// on; the first call counts.
    void photosShown(double nowMs);
    /// When that frame ended (ms after the program started; negative before).
    double photosMs() const { return photos; }
    /// The photographs named went on their way `ms` milliseconds after the program started;
    /// negative: not (yet). The first call with a time counts.
    void photosStarted(double ms);

    /// When the first frame ended (ms after the program started; 0 before it).
    double firstMs() const { return first; }
    /// Milliseconds from the end of the first frame to the end of the last (0 before two).
    double timedMs() const { return ended > 0 ? lastMs - first : 0.0; }

    /// {"frames": N, "fps": F, "first_frame_ms": T, "photos_ms": P, "photos_started_ms": S,
    /// "frame_ms": {"p50": .., "p95": .., "p99": .., "max": .., "max_loading": ..}}, where fps
    /// and the percentiles cover the frames after the first; P is null while a photograph is
    /// still on its way, S when none was named; max_loading is the longest gap that ended
    /// while photographs named were on their way (0 when none was).
    std::string json() const;

    /// The value below which `percent` of `values` lie (nearest rank); 0 for no values.
    static double percentile(std::vector<double> values, double percent);

private:
    std::size_t ended = 0;
    double first = 0.0;
    double lastMs = 0.0;
    double photos = -1.0;
    double started = -1.0;
    double loadingMost = 0.0; ///< longest gap while named photographs were on their way
    std::vector<double> gaps;
};
