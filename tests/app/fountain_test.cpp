// Flight and launches of the drop fountain, without GL: update() is pure arithmetic on the
// ring of drop records, so it is checked against the ballistic formula worked out here.
#include "fountain.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// A fountain with its ring in place, as setup() leaves it, without compiling the display list.
Fountain ring(bool forward) {
    Fountain f;
    f.forward = forward;
    f.drops.resize(Fountain::kDrops);
    return f;
}

// The launch velocity worked out by hand: (f, f, 0) turned about +y by `degrees`.
libgr::grVec3 launchVelocity(double f, double degrees) {
    const double a = degrees * kPi / 180.0;
    return libgr::grVec3(static_cast<float>(f * std::cos(a)), static_cast<float>(f),
                         static_cast<float>(-f * std::sin(a)));
}

void expectNear(const libgr::grVec3& got, double x, double y, double z, double tol = 1e-2) {
    EXPECT_NEAR(got.x, x, tol);
    EXPECT_NEAR(got.y, y, tol);
    EXPECT_NEAR(got.z, z, tol);
}

bool hidden(const DropState& d) {
    return d.position.x == 0 && d.position.y == 0 && d.position.z == 0;
}

} // namespace

TEST(Fountain, DropFollowsTheBallisticPathFromItsLaunch) {
    Fountain f = ring(true);
    f.update(1000, 480); // tick 10: launches record 0 with spin 250 degrees and f = 240
    ASSERT_EQ(f.nextDrop, 1u);
    const DropState& d = f.drops[0];
    EXPECT_EQ(d.birth, 1000u);
    EXPECT_TRUE(hidden(d)) << "a new drop stays at the origin until the next update";
    const libgr::grVec3 v = launchVelocity(240.0, 250.0);
    expectNear(d.velocity, v.x, v.y, v.z);

    // Half a second later: v·t + ½·g·t² with g = -490.
    for (double t : {0.25, 0.5, 0.75, 1.0}) {
        f.update(1000 + static_cast<std::uint32_t>(t * 1000), 480);
        expectNear(f.drops[0].position, v.x * t, v.y * t - 245.0 * t * t, v.z * t);
    }
    // The peak is near y = 58.8 after about 0.49 s.
    f.update(1490, 480);
    EXPECT_NEAR(f.drops[0].position.y, 240 * 0.49 - 245 * 0.49 * 0.49, 1e-2);
}

TEST(Fountain, DropsBelowTheFloorAreHidden) {
    Fountain f = ring(true);
    f.update(1000, 480);
    // y(t) = 240t - 245t²: y = -128 at t ≈ 1.3576 s.
    f.update(2350, 480);
    EXPECT_FALSE(hidden(f.drops[0]));
    EXPECT_LT(f.drops[0].position.y, -120.f);
    f.update(2370, 480);
    EXPECT_TRUE(hidden(f.drops[0]));
    f.update(5000, 480); // stays hidden on every later update
    EXPECT_TRUE(hidden(f.drops[0]));
}

TEST(Fountain, LaunchesOncePerTickWithoutCatchingUp) {
    Fountain f = ring(true);
    f.update(1000, 480);
    EXPECT_EQ(f.nextDrop, 1u);
    f.update(1050, 480); // same tick: no launch
    f.update(1099, 480);
    EXPECT_EQ(f.nextDrop, 1u);
    EXPECT_EQ(f.lastTick, 10u);
    f.update(1100, 480);
    EXPECT_EQ(f.nextDrop, 2u);
    f.update(1650, 480); // ticks 12 to 15 passed without an update: one launch only
    EXPECT_EQ(f.nextDrop, 3u);
    EXPECT_EQ(f.drops[2].birth, 1650u);
    EXPECT_FLOAT_EQ(f.spin.angle, 16 * 25.0f) << "the spin follows the tick, not the count";
    // The ring wraps after 100 launches.
    for (std::uint32_t i = 0; i < 97; ++i)
        f.update(1700 + i * 100, 480);
    EXPECT_EQ(f.nextDrop, 0u);
}

TEST(Fountain, FirstUpdateLaunchesAndRecordsNeverLaunchedFallFromTheOrigin) {
    Fountain f = ring(true);
    f.update(0, 480); // the start value of lastTick is no real tick: launch at once
    EXPECT_EQ(f.nextDrop, 1u);
    EXPECT_EQ(f.lastTick, 0u);
    // Records never launched (birth 0, no velocity) drop straight down from the origin;
    // record 1 is launched by this very update and waits at the origin.
    f.update(500, 480);
    EXPECT_TRUE(hidden(f.drops[1]));
    for (std::uint32_t i = 2; i < Fountain::kDrops; ++i)
        expectNear(f.drops[i].position, 0, -245.0 * 0.25, 0);
    f.update(720, 480); // y = -127.008: still shown
    EXPECT_NEAR(f.drops[50].position.y, -127.008, 1e-2);
    f.update(730, 480); // y = -130.6: hidden
    EXPECT_TRUE(hidden(f.drops[50]));
}

TEST(Fountain, TwoFountainsSpinInOppositeDirections) {
    Fountain a = ring(true);
    Fountain b = ring(false);
    for (std::uint32_t now : {300u, 400u, 500u}) {
        a.update(now, 300);
        b.update(now, 300);
        EXPECT_FLOAT_EQ(a.spin.angle, -b.spin.angle);
    }
    EXPECT_FLOAT_EQ(a.spin.angle, 125.0f);
    for (int i = 0; i < 3; ++i) {
        const libgr::grVec3& va = a.drops[i].velocity;
        const libgr::grVec3& vb = b.drops[i].velocity;
        EXPECT_NEAR(va.x, vb.x, 1e-3);
        EXPECT_NEAR(va.y, vb.y, 1e-3);
        EXPECT_NEAR(va.z, -vb.z, 1e-3) << "mirrored about the x-y plane";
        EXPECT_NEAR(va.y, 150.0, 1e-3);
    }
    const libgr::grVec3 v = launchVelocity(150.0, 125.0);
    expectNear(a.drops[2].velocity, v.x, v.y, v.z);
}

TEST(Fountain, ZeroScaleDropsFallStraightDown) {
    Fountain f = ring(true);
    f.update(1000, 0);
    expectNear(f.drops[0].velocity, 0, 0, 0, 0);
    f.update(1400, 0);
    expectNear(f.drops[0].position, 0, -245.0 * 0.16, 0);
}

TEST(Fountain, WrappedClockDifferenceHidesTheDrop) {
    Fountain f = ring(true);
    f.update(1000, 480);
    f.update(1200, 480);
    EXPECT_FALSE(hidden(f.drops[0]));
    f.update(500, 480); // now < birth: the unsigned difference is about 2^32 ms
    EXPECT_TRUE(hidden(f.drops[0]));
}

TEST(Fountain, UpdateWithoutSetupIsSafeAndLaunchesNothing) {
    Fountain f;
    f.update(1000, 480);
    f.update(1100, 480);
    EXPECT_TRUE(f.drops.empty());
    EXPECT_EQ(f.nextDrop, 0u);
    // Set up later, the first update still launches.
    f.drops.resize(Fountain::kDrops);
    f.update(1200, 480);
    EXPECT_EQ(f.nextDrop, 1u);
}
