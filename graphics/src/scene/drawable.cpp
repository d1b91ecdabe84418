// The drawable family: objects that draw and display lists that record them.
#include "libgr/drawable.h"

namespace libgr {

grDrawable3D::~grDrawable3D() {}

grObject3D::~grObject3D() {}

void grObject3D::render() {
    draw();
}

grDspList::~grDspList() {}

namespace {
// Closes the list being compiled also when the recorded object's draw throws.
struct ListCompilation {
    explicit ListCompilation(GLuint name) { glNewList(name, GL_COMPILE); }
    ~ListCompilation() { glEndList(); }
    ListCompilation(const ListCompilation&) = delete;
    ListCompilation& operator=(const ListCompilation&) = delete;
};
} // namespace

bool grDspList::record(grObject3D* object) {
    grListName& rec = list_.ensureRecord();
    if (!rec.allocated) {
        const GLuint name = glGenLists(1);
        // glGenLists answers 0 when it cannot give a name (for instance inside glBegin/glEnd);
        // compiling into "list 0" would run the drawing immediately instead.
        if (name == 0)
            return false;
        rec.name = name;
        rec.allocated = true;
    }
    ListCompilation compilation(rec.name);
    if (object)
        object->draw();
    return true;
}

void grDspList::draw() {
    if (list_.allocated())
        glCallList(list_.name());
}

void grDspList::deleteList() {
    list_.deleteName();
}

} // namespace libgr
