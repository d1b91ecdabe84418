// GL names held through the shared-name core: display lists and texture objects.
#include "libgr/drawable.h"
#include "libgr/texture_object.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>

using namespace libgr;

namespace {

using Names = std::vector<std::string>;

// Runs `step` while the spy records and answers the names of the calls it made.
template <class F> Names callsOf(F step) {
    spy::start();
    step();
    spy::stop();
    return spy::names();
}

// Draws by setting a colour (a call the spy sees), and throws when asked to.
struct Paint : grObject3D {
    void draw() override {
        glColor4f(0.25f, 0.5f, 0.5f, 1.0f);
        ++draws;
        if (throws)
            throw std::runtime_error("draw failed");
    }
    int draws = 0;
    bool throws = false;
};

// A texturable that only counts what the texture object asks of it.
struct Source : grTexturable {
    explicit Source(int k) : k(k) {}
    int kind() const override { return k; }
    void apply() override { ++applies; }
    void update() override { ++updates; }
    int k, applies = 0, updates = 0;
};

} // namespace

TEST(HandlesGL, DisplayListsRecordOnceAndGoWithTheLastHandle) {
    testgl::ensureContext();
    Paint paint;
    std::optional<grDspList> list(std::in_place), empty(std::in_place);
    EXPECT_EQ(callsOf([&] {
                  list->draw();
                  list->deleteList();
              }),
              Names{}); // a new handle
    EXPECT_EQ(callsOf([&] {
                  EXPECT_TRUE(list->record(&paint));
                  EXPECT_TRUE(list->record(&paint));
              }),
              (Names{"glGenLists", "glNewList", "glColor4f", "glEndList", "glNewList", "glColor4f",
                     "glEndList"}));
    const GLuint name = list->name();
    EXPECT_EQ(spy::calls()[1].args, (std::vector<double>{double(name), GL_COMPILE}));
    // The only handle assigned to itself keeps its list.
    EXPECT_EQ(callsOf([&] {
                  *list = *&*list;
                  list->render();
              }),
              Names{"glCallList"});
    EXPECT_TRUE(empty->record(nullptr)); // an empty list, still a list
    EXPECT_EQ(glIsList(empty->name()), GL_TRUE);
    EXPECT_EQ(callsOf([&] { // copies share the list; the last handle to go deletes it
                  grDspList copy = *list, other;
                  other = copy;
                  empty = std::nullopt;
              }),
              (Names{"glDeleteLists"}));
    EXPECT_EQ(glIsList(name), GL_TRUE);
    EXPECT_EQ(callsOf([&] {
                  list->deleteList();
                  list->draw();
              }),
              Names{"glDeleteLists"});
    EXPECT_EQ(glIsList(name), GL_FALSE);
    EXPECT_EQ(callsOf([&] { list->record(&paint); }).front(), "glGenLists"); // a new list
    EXPECT_EQ(callsOf([&] {
                  list->deleteList();
                  list.reset();
              }),
              Names{"glDeleteLists"});

    grDspList failing;
    paint.throws = true; // a throwing draw still closes the list
    EXPECT_THROW(failing.record(&paint), std::runtime_error);
    GLint compiling = -1;
    glGetIntegerv(GL_LIST_INDEX, &compiling);
    EXPECT_EQ((std::vector<int>{compiling, paint.draws}), (std::vector<int>{0, 4}));
    EXPECT_EQ(testgl::drainErrors(), unsigned(GL_NO_ERROR));
}

TEST(HandlesGL, TextureNamesAreGeneratedOnceDeletedOnceAndMovable) {
    Source source(grKind2D), cube(grKindCubeMap);
    grTextureObject object;
    EXPECT_EQ(callsOf([&] { // never loaded: no GL call at all
                  object.release();
                  object.update();
                  object.apply();
                  EXPECT_FALSE(object.isResident());
              }),
              Names{});
    EXPECT_EQ(callsOf([&] {
                  object.load(source);
                  object.load(source);
              }),
              (Names{"glGenTextures", "glBindTexture", "glBindTexture"}));
    const GLuint first = object.name().name();
    EXPECT_EQ(spy::calls()[2].args, (std::vector<double>{GL_TEXTURE_2D, double(first)}));
    EXPECT_EQ(source.applies, 2);
    EXPECT_TRUE(object.isResident());
    EXPECT_EQ(callsOf([&] { object.update(); }), Names{"glBindTexture"});
    EXPECT_EQ(source.updates, 1);
    object.release();
    EXPECT_FALSE(glIsTexture(first));
    EXPECT_EQ(object.kind(), grKindNone);
    EXPECT_EQ(callsOf([&] {
                  object.update();
                  object.release();
              }),
              Names{});
    object.load(cube); // a fresh name, bound to the cube-map target
    EXPECT_EQ(object.kind(), grKindCubeMap);

    // A move hands the name over and leaves the source empty; assigning onto a loaded object
    // deletes that object's name; each name is deleted once, a released one not at all.
    const GLuint second = object.name().name();
    grTextureObject moved(std::move(object)), target;
    target.load(source);
    const GLuint third = target.name().name();
    EXPECT_EQ(callsOf([&] {
                  object.update();
                  object.release();
                  EXPECT_FALSE(object.isLoaded());
                  EXPECT_FALSE(object.isResident());
                  target = std::move(moved);
                  grTextureObject& same = target;
                  target = std::move(same);
              }),
              Names{"glDeleteTextures"});
    EXPECT_FALSE(glIsTexture(third));
    EXPECT_TRUE(target.isLoaded());
    EXPECT_TRUE(glIsTexture(second));
    EXPECT_EQ(callsOf([&] { grTextureObject gone(std::move(target)); }), Names{"glDeleteTextures"});
    EXPECT_FALSE(glIsTexture(second));
    auto released = std::make_unique<grTextureObject>();
    released->load(source);
    released->release();
    EXPECT_EQ(callsOf([&] { released.reset(); }), Names{});
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
}
