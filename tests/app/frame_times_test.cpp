// The benchmark's figures from known frame ends.
#include "frame_times.h"

#include <gtest/gtest.h>

TEST(FrameTimes, FiguresOfTheFramesAfterTheFirst) {
    FrameTimes t;
    t.frameEnded(80.0); // the first frame, 80 ms after start: nothing timed yet
    EXPECT_NE(t.json().find("\"fps\": 0.0, \"first_frame_ms\": 80.0,"), std::string::npos);
    double now = 80.0;
    for (int i = 1; i <= 100; ++i) // gaps of 1, 2, ... 100 ms
        t.frameEnded(now += i);
    EXPECT_EQ(t.frames(), 101u);
    EXPECT_EQ(t.json(), "{\"frames\": 101, \"fps\": 19.8, \"first_frame_ms\": 80.0, "
                        "\"frame_ms\": {\"p50\": 50.000, \"p95\": 95.000, \"p99\": 99.000, "
                        "\"max\": 100.000}}");
    EXPECT_EQ(FrameTimes::percentile({3.0, 1.0, 2.0}, 50), 2.0);
    EXPECT_EQ(FrameTimes::percentile({3.0, 1.0, 2.0}, 0), 1.0);
}
