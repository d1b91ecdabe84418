#include "libgr/texture_object.h"

#include "gl_spy.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <vector>

using namespace libgr;

namespace {

// A texturable that only counts what the texture object asks of it.
struct CountingSource : grTexturable {
    explicit CountingSource(int k) : k(k) {}
    int kind() const override { return k; }
    void apply() override { ++applies; }
    void update() override { ++updates; }
    int k, applies = 0, updates = 0;
};

} // namespace

TEST(TextureObjectGL, NeverLoadedObjectMakesNoGLCall) {
    spy::start();
    {
        grTextureObject object;
        object.release();
        object.update();
        object.apply();
        EXPECT_FALSE(object.isResident());
        EXPECT_EQ(object.kind(), 0);
    }
    spy::stop();
    EXPECT_TRUE(spy::calls().empty()) << spy::calls().front().name;
}

TEST(TextureObjectGL, LoadReusesItsNameUntilReleased) {
    CountingSource source(2);
    grTextureObject object;
    spy::start();
    object.load(source);
    object.load(source);
    spy::stop();
    EXPECT_EQ(spy::count("glGenTextures"), 1u);
    const GLuint first = object.name().name();
    EXPECT_EQ(spy::count("glBindTexture"), 2u);
    for (const auto& bind : spy::callsOf("glBindTexture"))
        EXPECT_EQ(bind.args, (std::vector<double>{GL_TEXTURE_2D, double(first)}));
    EXPECT_EQ(source.applies, 2);
    EXPECT_TRUE(glIsTexture(first));
    EXPECT_TRUE(object.isResident());

    glBindTexture(GL_TEXTURE_2D, 0);
    object.update(); // binds the name again and lets the source re-send
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), first);
    EXPECT_EQ(source.updates, 1);

    object.release();
    EXPECT_FALSE(glIsTexture(first));
    EXPECT_EQ(object.kind(), 0);
    spy::start();
    object.update();
    object.release();
    spy::stop();
    EXPECT_TRUE(spy::calls().empty()) << spy::calls().front().name;

    CountingSource cube(6);
    spy::start();
    object.load(cube);
    spy::stop();
    EXPECT_EQ(spy::count("glGenTextures"), 1u);
    EXPECT_TRUE(glIsTexture(object.name().name()));
    EXPECT_EQ(object.kind(), 6);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
}

TEST(TextureObjectGL, DestructionDeletesALiveNameOnly) {
    CountingSource source(2);
    for (bool releasedFirst : {false, true}) {
        GLuint name = 0;
        {
            grTextureObject object;
            object.load(source);
            name = object.name().name();
            if (releasedFirst)
                object.release();
            spy::start();
        }
        spy::stop();
        EXPECT_EQ(spy::count("glDeleteTextures"), releasedFirst ? 0u : 1u);
        EXPECT_FALSE(glIsTexture(name));
    }
}
