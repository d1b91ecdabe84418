#include "libgr/drawable.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <gtest/gtest.h>

#include <stdexcept>

using libgr::grDspList;

namespace {

using Names = std::vector<std::string>;

// Sets a recognisable current colour, so GL shows whether the call was compiled or run.
struct Paint : libgr::grObject3D {
    explicit Paint(float r) : red(r) {}
    void draw() override {
        ++draws;
        glColor4f(red, 0.5f, 0.5f, 1.0f);
        if (throws)
            throw std::runtime_error("draw failed");
    }
    float red;
    int draws = 0;
    bool throws = false;
};

float currentRed() {
    GLfloat c[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, c);
    return c[0];
}

class DspList : public ::testing::Test {
protected:
    void SetUp() override {
        testgl::ensureContext();
        testgl::drainErrors();
        glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    }
    void TearDown() override {
        spy::stop();
        GLint compiling = -1;
        glGetIntegerv(GL_LIST_INDEX, &compiling);
        EXPECT_EQ(compiling, 0) << "left in compile mode";
        EXPECT_EQ(testgl::drainErrors(), static_cast<unsigned>(GL_NO_ERROR));
    }
};

} // namespace

TEST_F(DspList, RecordTwiceGeneratesOnceThenDrawCallsTheList) {
    Paint paint(0.25f);
    grDspList list;
    spy::start();
    EXPECT_TRUE(list.record(&paint));
    EXPECT_TRUE(list.record(&paint));
    EXPECT_EQ(spy::count("glGenLists"), 1u);
    const GLuint name = list.name();
    ASSERT_EQ(glIsList(name), GL_TRUE);
    for (const spy::Call& c : spy::callsOf("glNewList"))
        EXPECT_EQ(c.args, (std::vector<double>{double(name), GL_COMPILE}));
    EXPECT_EQ(paint.draws, 2);
    EXPECT_EQ(currentRed(), 0.0f) << "compiled, not executed";

    spy::start();
    list.render();
    EXPECT_EQ(spy::names(), Names{"glCallList"});
    EXPECT_EQ(spy::calls()[0].args[0], name);
    EXPECT_EQ(currentRed(), 0.25f);

    grDspList empty;
    spy::start();
    EXPECT_TRUE(empty.record(nullptr));
    EXPECT_EQ(spy::names(), (Names{"glGenLists", "glNewList", "glEndList"}));
    EXPECT_EQ(glIsList(empty.name()), GL_TRUE);
}

TEST_F(DspList, DeleteListAndDestructionDeleteOnce) {
    Paint paint(0.75f);
    spy::start();
    {
        grDspList list;
        list.draw();
        list.deleteList();
        EXPECT_TRUE(spy::calls().empty()) << "a new handle makes no call";
        list.record(&paint);
        const GLuint first = list.name();
        spy::start();
        list.deleteList();
        list.draw();
        EXPECT_EQ(spy::names(), Names{"glDeleteLists"});
        EXPECT_EQ(glIsList(first), GL_FALSE);
        EXPECT_TRUE(list.record(&paint));
        EXPECT_EQ(spy::count("glGenLists"), 1u) << "a later record makes a new list";
        EXPECT_EQ(glIsList(list.name()), GL_TRUE);
        list.deleteList();
        spy::start();
    }
    EXPECT_EQ(spy::count("glDeleteLists"), 0u) << "already deleted";

    GLuint name = 0;
    {
        grDspList a;
        a.record(&paint);
        name = a.name();
        spy::start();
        {
            grDspList b = a;
            grDspList c;
            c = b;
        }
        EXPECT_EQ(spy::count("glDeleteLists"), 0u);
        EXPECT_EQ(glIsList(name), GL_TRUE);
    }
    EXPECT_EQ(spy::names(), Names{"glDeleteLists"});
    EXPECT_EQ(spy::calls().at(0).args, (std::vector<double>{double(name), 1}));
    EXPECT_EQ(glIsList(name), GL_FALSE);

    grDspList solo; // the only holder assigned to itself keeps its list
    solo.record(&paint);
    solo = *&solo;
    EXPECT_TRUE(solo.isRecorded());
    EXPECT_EQ(glIsList(solo.name()), GL_TRUE);
}

TEST_F(DspList, NoListNameMeansNoRecording) {
    Paint paint(0.5f);
    grDspList list;
    glBegin(GL_POINTS); // glGenLists fails here and answers 0
    spy::start();
    const bool ok = list.record(&paint);
    spy::stop();
    glEnd();
    testgl::drainErrors();
    EXPECT_FALSE(ok);
    EXPECT_EQ(spy::names(), Names{"glGenLists"});
    EXPECT_EQ(paint.draws, 0);
    spy::start();
    list.draw();
    EXPECT_TRUE(spy::calls().empty());
    EXPECT_TRUE(list.record(&paint)) << "outside glBegin the same handle records";
}

TEST_F(DspList, ThrowingDrawStillClosesTheList) {
    Paint paint(0.5f);
    paint.throws = true;
    grDspList list;
    spy::start();
    EXPECT_THROW(list.record(&paint), std::runtime_error);
    EXPECT_EQ(spy::count("glEndList"), 1u);
}
