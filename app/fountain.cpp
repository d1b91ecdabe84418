#include "fountain.h"

#include "libgr/gl_state.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

using libgr::grVec3;

Drop::~Drop() = default;

void Drop::draw() {
    glColor4f(0.0f, 1.0f, 1.0f, 0.5f);
    glutSolidSphere(10.0, 10, 10);
}

Fountain::Fountain() = default;

void Fountain::setup(bool forwardSpin) {
    forward = forwardSpin;
    drops.resize(kDrops);
    dropList.record(&drop);
}

void Fountain::update(std::uint32_t now, std::uint32_t scale) {
    static const grVec3 gravity(0.0f, -490.0f, 0.0f);

    // Closed form from the launch time: position = v·t + ½·g·t², never integrated, so a
    // long frame cannot bend the paths.
    for (DropState& d : drops) {
        const float t = static_cast<float>(static_cast<double>(now - d.birth) * 0.001);
        const grVec3 a = gravity * 0.5f;
        const grVec3 b = a * t;
        grVec3 c = d.velocity + b;
        c *= t;
        d.position = c;
        if (d.position.y < kHideBelow)
            d.position = grVec3(0.0f, 0.0f, 0.0f);
    }

    const std::uint32_t tick = now / kTickMs;
    if (tick == lastTick || drops.empty())
        return;
    lastTick = tick;

    spin.angle =
        static_cast<float>(tick * static_cast<double>(kSpinDegrees)) * (forward ? 1.0f : -1.0f);
    const float f = static_cast<float>(scale) * 0.5f;

    const std::uint32_t i = nextDrop;
    nextDrop = static_cast<std::uint32_t>((i + 1) % drops.size());
    DropState& launched = drops[i];
    launched.birth = now;
    launched.position = grVec3(0.0f, 0.0f, 0.0f);
    launched.velocity = libgr::transformPoint(spin.matrix(), grVec3(f, f, 0.0f));
}

void Fountain::draw() {
    for (const DropState& d : drops) {
        if (libgr::allEqual(d.position, 0.0f))
            continue;
        glPushMatrix();
        libgr::translate(d.position);
        dropList.draw();
        glPopMatrix();
    }
}
