// Flight and launches of the drop fountain, without GL: update() is arithmetic on the ring
// of drop records, checked against the ballistic formula worked out here.
#include "fountain.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A fountain with its ring in place, as setup() leaves it, without the display list.
Fountain ring(bool forward) {
    Fountain f;
    f.forward = forward;
    f.drops.resize(Fountain::kDrops);
    return f;
}

// Where a drop launched with speed f at `degrees` of spin is `t` seconds later: (f, f, 0)
// turned about +y, then v·t + ½·g·t² with g = -490.
void expectAt(const libgr::grVec3& p, double f, double degrees, double t) {
    const double a = degrees * 3.14159265358979323846 / 180.0;
    EXPECT_NEAR(p.x, f * std::cos(a) * t, 1e-2);
    EXPECT_NEAR(p.y, f * t - 245.0 * t * t, 1e-2);
    EXPECT_NEAR(p.z, -f * std::sin(a) * t, 1e-2);
}

bool hidden(const DropState& d) {
    return d.position.x == 0 && d.position.y == 0 && d.position.z == 0;
}

} // namespace

TEST(Fountain, LaunchesOncePerTickTurningBothWays) {
    Fountain a = ring(true), b = ring(false);
    // Clock, then the ring index launched next and the spin. The first update launches at
    // once; a tick passed without an update is skipped, not caught up.
    const struct {
        std::uint32_t now, next;
        float spin;
    } steps[] = {{0, 1, 0}, {99, 1, 0}, {1000, 2, 250}, {1099, 2, 250}, {1650, 3, 400}};
    for (const auto& s : steps) {
        a.update(s.now, 480);
        b.update(s.now, 480);
        EXPECT_EQ(a.nextDrop, s.next) << s.now;
        EXPECT_EQ(a.spin.angle, s.spin) << s.now;
        EXPECT_EQ(b.spin.angle, -s.spin) << s.now;
    }
    EXPECT_EQ(a.drops[2].birth, 1650u);
    EXPECT_NEAR(a.drops[2].velocity.z, -b.drops[2].velocity.z, 1e-3) << "mirrored spins";
    for (std::uint32_t i = 0; i < 97; ++i) // the ring wraps after 100 launches
        a.update(1700 + i * 100, 480);
    EXPECT_EQ(a.nextDrop, 0u);
}

TEST(Fountain, DropsFlyBallisticallyAndHideBelowTheFloor) {
    Fountain f = ring(true);
    f.update(1000, 480); // tick 10: record 0 leaves with spin 250 degrees at f = 240
    EXPECT_TRUE(hidden(f.drops[0])) << "a new drop waits at the origin for one update";
    for (std::uint32_t now : {1250u, 1490u, 1750u, 2000u, 2350u}) {
        f.update(now, 480);
        expectAt(f.drops[0].position, 240.0, 250.0, (now - 1000) / 1000.0);
    }
    f.update(2370, 480); // y = -128 at t ≈ 1.3576 s
    EXPECT_TRUE(hidden(f.drops[0]));
    // Records never launched fall straight down from the origin: y = -127.008 at 0.72 s.
    Fountain g = ring(true);
    g.update(50, 0); // launched with no speed at scale 0
    g.update(720, 0);
    expectAt(g.drops[0].position, 0.0, 0.0, 0.67);
    expectAt(g.drops[50].position, 0.0, 0.0, 0.72);
    g.update(730, 0);
    EXPECT_TRUE(hidden(g.drops[50]));
    g.update(40, 0); // a clock difference that wraps lands far below: hidden
    EXPECT_TRUE(hidden(g.drops[0]));
}
