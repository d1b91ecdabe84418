#include "libgr/drawable.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <stdexcept>

using libgr::grDspList;
using libgr::grObject3D;

namespace {

// Sets a recognisable current colour, so GL shows whether the call was compiled or run.
class Paint : public grObject3D {
public:
    explicit Paint(float red) : red_(red) {}
    void draw() override {
        ++draws;
        glColor4f(red_, 0.5f, 0.5f, 1.0f);
        if (throws)
            throw std::runtime_error("draw failed");
    }
    void render() override {
        ++renders;
        grObject3D::render();
    }
    int draws = 0;
    int renders = 0;
    bool throws = false;

private:
    float red_;
};

float currentRed() {
    GLfloat c[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, c);
    return c[0];
}

GLint listIndex() {
    GLint i = -1;
    glGetIntegerv(GL_LIST_INDEX, &i);
    return i;
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
        EXPECT_EQ(listIndex(), 0); // never left in compile mode
        EXPECT_EQ(testgl::drainErrors(), static_cast<unsigned>(GL_NO_ERROR));
    }
};

} // namespace

TEST_F(DspList, NewHandleMakesNoCall) {
    spy::start();
    {
        grDspList list;
        list.draw();
        list.render();
        list.deleteList();
        EXPECT_FALSE(list.isRecorded());
        EXPECT_EQ(list.name(), 0u);
    }
    spy::stop();
    EXPECT_TRUE(spy::calls().empty());
}

TEST_F(DspList, RecordCompilesOnceAndReusesTheName) {
    Paint paint(0.25f);
    grDspList list;
    spy::start();
    EXPECT_TRUE(list.record(&paint));
    spy::stop();
    EXPECT_EQ(spy::names(),
              (std::vector<std::string>{"glGenLists", "glNewList", "glColor4f", "glEndList"}));
    const GLuint name = list.name();
    ASSERT_NE(name, 0u);
    EXPECT_EQ(spy::callsOf("glNewList")[0].args, (std::vector<double>{double(name), GL_COMPILE}));
    EXPECT_EQ(paint.draws, 1);
    EXPECT_EQ(paint.renders, 0); // draw is called directly, not through render
    EXPECT_TRUE(list.isRecorded());
    EXPECT_EQ(glIsList(name), GL_TRUE);
    EXPECT_EQ(currentRed(), 0.0f); // compiled, not executed

    spy::start();
    EXPECT_TRUE(list.record(&paint));
    spy::stop();
    EXPECT_EQ(spy::count("glGenLists"), 0u);
    EXPECT_EQ(spy::callsOf("glNewList")[0].args[0], name);
    EXPECT_EQ(list.name(), name);

    spy::start();
    list.render(); // render is draw for an object
    spy::stop();
    EXPECT_EQ(spy::names(), (std::vector<std::string>{"glCallList"}));
    EXPECT_EQ(spy::calls()[0].args[0], name);
    EXPECT_EQ(currentRed(), 0.25f); // the list ran
}

TEST_F(DspList, NullObjectRecordsAnEmptyList) {
    grDspList list;
    spy::start();
    EXPECT_TRUE(list.record(nullptr));
    spy::stop();
    EXPECT_EQ(spy::names(), (std::vector<std::string>{"glGenLists", "glNewList", "glEndList"}));
    EXPECT_EQ(glIsList(list.name()), GL_TRUE);
    spy::start();
    list.draw();
    spy::stop();
    ASSERT_EQ(spy::count("glCallList"), 1u);
    EXPECT_EQ(spy::calls()[0].args[0], list.name());
}

TEST_F(DspList, DeleteListAndDestruction) {
    Paint paint(0.75f);
    spy::start();
    {
        grDspList list;
        list.record(&paint);
        const GLuint first = list.name();
        list.deleteList();
        EXPECT_EQ(spy::callsOf("glDeleteLists").at(0).args,
                  (std::vector<double>{double(first), 1}));
        EXPECT_EQ(glIsList(first), GL_FALSE);
        EXPECT_FALSE(list.isRecorded());
        list.deleteList(); // nothing left to delete

        spy::start();
        list.draw();
        EXPECT_TRUE(spy::calls().empty());

        // A later record generates a fresh name.
        EXPECT_TRUE(list.record(&paint));
        EXPECT_EQ(spy::count("glGenLists"), 1u);
        EXPECT_EQ(glIsList(list.name()), GL_TRUE);
        list.deleteList();
        spy::start();
    }
    spy::stop();
    EXPECT_EQ(spy::count("glDeleteLists"), 0u); // destroyed after deleteList: no second delete

    GLuint name = 0;
    spy::start();
    {
        grDspList list;
        list.record(&paint);
        name = list.name();
    }
    spy::stop();
    ASSERT_EQ(spy::count("glDeleteLists"), 1u);
    EXPECT_EQ(spy::callsOf("glDeleteLists")[0].args, (std::vector<double>{double(name), 1}));
    EXPECT_EQ(glIsList(name), GL_FALSE);
}

TEST_F(DspList, CopiesShareTheListAndTheLastOneDeletesIt) {
    Paint paint(0.5f);
    spy::start();
    GLuint name = 0;
    {
        grDspList a;
        a.record(&paint);
        name = a.name();
        {
            grDspList b = a;
            EXPECT_EQ(b.name(), name);
            spy::start();
            b.draw();
            EXPECT_EQ(spy::callsOf("glCallList").at(0).args[0], name);
        }
        EXPECT_EQ(spy::count("glDeleteLists"), 0u);
        EXPECT_EQ(glIsList(name), GL_TRUE);

        grDspList c;
        c.record(nullptr);
        const GLuint other = c.name();
        spy::start();
        c = a; // c's own list had no other holder
        ASSERT_EQ(spy::count("glDeleteLists"), 1u);
        EXPECT_EQ(spy::callsOf("glDeleteLists")[0].args[0], other);
        EXPECT_EQ(c.name(), name);
        spy::start();
    }
    spy::stop();
    ASSERT_EQ(spy::count("glDeleteLists"), 1u);
    EXPECT_EQ(spy::callsOf("glDeleteLists")[0].args[0], name);
    EXPECT_EQ(glIsList(name), GL_FALSE);
}

TEST_F(DspList, NoListNameMeansNoRecording) {
    Paint paint(0.5f);
    grDspList list;
    // Inside glBegin/glEnd, glGenLists fails and answers 0.
    glBegin(GL_POINTS);
    spy::start();
    const bool ok = list.record(&paint);
    spy::stop();
    glEnd();
    testgl::drainErrors();

    EXPECT_FALSE(ok);
    EXPECT_EQ(spy::names(), (std::vector<std::string>{"glGenLists"}));
    EXPECT_EQ(paint.draws, 0);
    EXPECT_FALSE(list.isRecorded());
    spy::start();
    list.draw();
    spy::stop();
    EXPECT_TRUE(spy::calls().empty());

    // Outside, the same handle records normally.
    EXPECT_TRUE(list.record(&paint));
    EXPECT_TRUE(list.isRecorded());
    EXPECT_EQ(glIsList(list.name()), GL_TRUE);
}

TEST_F(DspList, ThrowingDrawStillClosesTheList) {
    Paint paint(0.5f);
    paint.throws = true;
    grDspList list;
    spy::start();
    EXPECT_THROW(list.record(&paint), std::runtime_error);
    spy::stop();
    EXPECT_EQ(spy::count("glEndList"), 1u);
    EXPECT_EQ(listIndex(), 0);
}
