// The drop fountain: a ring of drop records thrown from the scene origin on ballistic paths,
// one re-launched every 100 ms of running time, all drawn by replaying one display list.
#pragma once

#include "libgr/drawable.h"
#include "libgr/geometry.h"

#include <cstdint>
#include <vector>

/// One drop: a translucent cyan sphere of radius 10.
class Drop : public libgr::grObject3D {
public:
    ~Drop() override;
    void draw() override;
};

/// One drop's record. A position of exactly (0, 0, 0) means "hidden".
struct DropState {
    std::uint32_t birth = 0; ///< running time (ms) of the last launch; 0 if never launched
    libgr::grVec3 position;  ///< where the drop is drawn
    libgr::grVec3 velocity;  ///< launch velocity, units per second
};

class Fountain {
public:
    static constexpr std::uint32_t kDrops = 100;  ///< records in the ring
    static constexpr std::uint32_t kTickMs = 100; ///< one launch per tick
    static constexpr float kSpinDegrees = 25.0f;  ///< turn of the launch direction per tick
    static constexpr float kHideBelow = -128.0f;  ///< drops below this height are hidden

    /// Makes no GL call; the ring stays empty until setup.
    Fountain();

    /// Stores the spin direction, grows the ring to 100 records (existing ones kept) and
    /// compiles the drop into the display list. Needs the GL context.
    void setup(bool forward);

    /// Moves every drop to its place at `now` (ms of running time) and launches at most one,
    /// on the first update of each new 100 ms tick. `scale` is the smaller viewport dimension
    /// in pixels; the launch speed grows with it. Safe before setup: nothing is launched.
    void update(std::uint32_t now, std::uint32_t scale);

    /// Draws every visible drop. Expects GL_MODELVIEW to be the current matrix mode.
    void draw();

    // Start value that no real tick (now / 100 of a 32-bit count) can equal, so the very first
    // update launches a drop instead of waiting for the second tick.
    static constexpr std::uint32_t kNoTick = 0xFFFFFFFFu;

    std::uint32_t lastTick = kNoTick;
    libgr::grRotation spin{0.0f, libgr::grVec3(0.0f, 1.0f, 0.0f)};
    std::vector<DropState> drops;
    std::uint32_t nextDrop = 0;
    libgr::grDspList dropList;
    Drop drop;
    bool forward = true;
};
