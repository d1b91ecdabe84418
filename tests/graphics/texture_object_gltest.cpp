#include "libgr/extensions.h"
#include "libgr/texture_object.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <gtest/gtest.h>

using namespace libgr;

namespace {

// A texturable that only counts what the texture object asks of it.
struct CountingSource : grTexturable {
    explicit CountingSource(int k) : k(k) {}
    int kind() const override { return k; }
    void apply() override { ++applies; }
    void update() override { ++updates; }
    int k;
    int applies = 0;
    int updates = 0;
};

// The extension flags are process-wide; every test here leaves them as it found them.
class TextureObjectGL : public ::testing::Test {
protected:
    void SetUp() override {
        testgl::ensureContext();
        savedAniso = hasAnisotropicFilter;
        testgl::drainErrors();
    }
    void TearDown() override {
        spy::stop();
        hasAnisotropicFilter = savedAniso;
        glBindTexture(GL_TEXTURE_2D, 0);
        glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
        testgl::drainErrors();
    }
    int savedAniso = 0;
};

} // namespace

TEST(TextureKinds, TargetsAndKindsMatchBothWays) {
    EXPECT_EQ(targetForKind(1), GLenum(GL_TEXTURE_1D));
    EXPECT_EQ(targetForKind(2), GLenum(GL_TEXTURE_2D));
    EXPECT_EQ(targetForKind(3), GLenum(GL_TEXTURE_3D));
    EXPECT_EQ(targetForKind(6), GLenum(GL_TEXTURE_CUBE_MAP));
    for (int kind : {0, 4, 5, 7, 100, -1, -6})
        EXPECT_EQ(targetForKind(kind), 1281u) << kind;

    EXPECT_EQ(kindForTarget(GL_TEXTURE_1D), 1);
    EXPECT_EQ(kindForTarget(GL_TEXTURE_2D), 2);
    EXPECT_EQ(kindForTarget(GL_TEXTURE_3D), 3);
    EXPECT_EQ(kindForTarget(GL_TEXTURE_CUBE_MAP), 6);
    EXPECT_EQ(kindForTarget(GL_TEXTURE_CUBE_MAP_POSITIVE_X), 0);
    EXPECT_EQ(kindForTarget(1281), 0);
}

TEST_F(TextureObjectGL, NeverLoadedObjectMakesNoGLCall) {
    spy::start();
    {
        grTextureObject object;
        object.release();
        object.update();
        object.apply();
        EXPECT_FALSE(object.isResident());
        EXPECT_FALSE(object.isLoaded());
        EXPECT_EQ(object.kind(), 0);
    }
    spy::stop();
    EXPECT_TRUE(spy::calls().empty()) << spy::calls().front().name;
}

TEST_F(TextureObjectGL, LoadReusesItsNameUntilReleased) {
    CountingSource source(2);
    grTextureObject object;

    spy::start();
    object.load(source);
    object.load(source);
    spy::stop();
    ASSERT_EQ(spy::count("glGenTextures"), 1u);
    const GLuint first = object.name().name();
    ASSERT_NE(first, 0u);
    const auto binds = spy::callsOf("glBindTexture");
    ASSERT_EQ(binds.size(), 2u);
    for (const auto& bind : binds) {
        EXPECT_EQ(bind.args[0], GL_TEXTURE_2D);
        EXPECT_EQ(bind.args[1], first);
    }
    EXPECT_EQ(source.applies, 2);
    EXPECT_TRUE(object.isLoaded());
    EXPECT_EQ(object.kind(), 2);
    EXPECT_TRUE(glIsTexture(first));
    EXPECT_TRUE(object.isResident());

    // update binds the name again and lets the source re-send.
    glBindTexture(GL_TEXTURE_2D, 0);
    object.update();
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), first);
    EXPECT_EQ(source.updates, 1);

    spy::start();
    object.release();
    spy::stop();
    ASSERT_EQ(spy::count("glDeleteTextures"), 1u);
    EXPECT_EQ(spy::callsOf("glDeleteTextures")[0].args[1], first);
    EXPECT_FALSE(glIsTexture(first));
    EXPECT_FALSE(object.isLoaded());
    EXPECT_EQ(object.kind(), 0);
    EXPECT_TRUE(object.name().hasRecord()); // the shared record outlives the name

    // Released: update and a second release do nothing.
    spy::start();
    object.update();
    object.release();
    spy::stop();
    EXPECT_TRUE(spy::calls().empty());
    EXPECT_EQ(source.updates, 1);

    // A new load generates a fresh name into the same record and binds it.
    CountingSource cube(6);
    spy::start();
    object.load(cube);
    spy::stop();
    EXPECT_EQ(spy::count("glGenTextures"), 1u);
    ASSERT_EQ(spy::count("glBindTexture"), 1u);
    EXPECT_EQ(spy::callsOf("glBindTexture")[0].args[0], GL_TEXTURE_CUBE_MAP);
    EXPECT_EQ(spy::callsOf("glBindTexture")[0].args[1], object.name().name());
    EXPECT_EQ(object.kind(), 6);
    EXPECT_EQ(cube.applies, 1);
}

TEST_F(TextureObjectGL, DestructionDeletesTheName) {
    CountingSource source(2);
    GLuint name = 0;
    {
        grTextureObject object;
        object.load(source);
        name = object.name().name();
        ASSERT_TRUE(glIsTexture(name));
        spy::start();
    }
    spy::stop();
    EXPECT_EQ(spy::count("glDeleteTextures"), 1u);
    EXPECT_FALSE(glIsTexture(name));

    // Destroyed after release: the name is already gone, nothing more is deleted.
    {
        grTextureObject object;
        object.load(source);
        object.release();
        spy::start();
    }
    spy::stop();
    EXPECT_EQ(spy::count("glDeleteTextures"), 0u);
}

TEST_F(TextureObjectGL, SourceWithoutTargetStillApplies) {
    CountingSource odd(4);
    grTextureObject object;
    spy::start();
    object.load(odd);
    spy::stop();
    ASSERT_EQ(spy::count("glBindTexture"), 1u);
    EXPECT_EQ(spy::callsOf("glBindTexture")[0].args[0], 1281);
    EXPECT_EQ(odd.applies, 1);
    EXPECT_TRUE(object.isLoaded());
    EXPECT_EQ(object.kind(), 0);
    EXPECT_EQ(testgl::drainErrors(), unsigned(GL_INVALID_ENUM));
}

TEST_F(TextureObjectGL, ParametersReachTheBoundTexture) {
    GLuint names[2];
    glGenTextures(2, names);

    spy::start();
    applyParams(static_cast<const grTexParams1D*>(nullptr));
    applyParams(static_cast<const grTexParams2D*>(nullptr));
    applyParams(static_cast<const grTexParams3D*>(nullptr));
    applyParams(static_cast<const grTexParamsCubeMap*>(nullptr));
    applyBorderColor(GL_TEXTURE_2D, nullptr);
    spy::stop();
    EXPECT_TRUE(spy::calls().empty());

    glBindTexture(GL_TEXTURE_2D, names[0]);
    grTexParams2D params;
    params.set(GL_NEAREST, GL_NEAREST, GL_CLAMP_TO_EDGE, GL_MIRRORED_REPEAT, 4.9f);
    const float border[4] = {0.25f, 0.5f, 0.75f, 1.0f};

    hasAnisotropicFilter = 0;
    spy::start();
    applyParams(&params);
    applyBorderColor(GL_TEXTURE_2D, border);
    spy::stop();
    EXPECT_EQ(spy::count("glTexParameteri"), 4u); // no anisotropy without the extension
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_NEAREST);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    EXPECT_EQ(value, GL_NEAREST);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
    EXPECT_EQ(value, GL_CLAMP_TO_EDGE);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
    EXPECT_EQ(value, GL_MIRRORED_REPEAT);
    float aniso = 0;
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &aniso);
    EXPECT_EQ(aniso, 1.0f);
    float held[4] = {};
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, held);
    for (int i = 0; i < 4; ++i)
        EXPECT_FLOAT_EQ(held[i], border[i]);

    ASSERT_NE(probeAnisotropicFilter(), 0); // llvmpipe offers it
    applyParams(&params);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &aniso);
    EXPECT_EQ(aniso, 4.0f); // truncated, not rounded

    // A cube map record never touches the wrap modes.
    glBindTexture(GL_TEXTURE_CUBE_MAP, names[1]);
    grTexParamsCubeMap cube;
    cube.set(GL_LINEAR, GL_NEAREST, 2.5f);
    spy::start();
    applyParams(&cube);
    spy::stop();
    for (const auto& call : spy::callsOf("glTexParameteri")) {
        EXPECT_EQ(call.args[0], GL_TEXTURE_CUBE_MAP);
        EXPECT_NE(call.args[1], GL_TEXTURE_WRAP_S);
        EXPECT_NE(call.args[1], GL_TEXTURE_WRAP_T);
    }
    glGetTexParameterfv(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAX_ANISOTROPY_EXT, &aniso);
    EXPECT_EQ(aniso, 2.0f);
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);

    EXPECT_EQ(testgl::drainErrors(), unsigned(GL_NO_ERROR));
    glDeleteTextures(2, names);
}
