// The drawable class family: grDrawable3D (anything that renders), grObject3D (render means
// draw) and grDspList, an object that records another object's drawing into a GL display
// list once and then draws by calling the list.
#pragma once

#include "libgr/shared_name.h"

#include <GL/gl.h>

namespace libgr {

/// Anything that renders itself with GL calls.
class grDrawable3D {
public:
    /// Issues the GL calls that show the thing, with a GL context current.
    virtual void render() = 0;
    virtual ~grDrawable3D() = 0;
};

/// A drawable whose rendering is its draw(); display lists record objects of this kind.
class grObject3D : public grDrawable3D {
public:
    /// Calls draw().
    void render() override;
    ~grObject3D() override = 0;
    /// Issues the object's GL drawing calls in the current GL state.
    virtual void draw() = 0;
};

/// The shared record of one display list (count, name, allocated).
using grListName = grNameRecord;

/// A handle on a display list. Copies share the list; the last handle to go deletes it.
/// A new handle owns nothing and makes no GL call. Record, draw and delete with the owning
/// GL context current.
class grDspList : public grObject3D {
public:
    grDspList() = default;
    ~grDspList() override;
    /// Copies share the list and its count.
    ///@{
    grDspList(const grDspList&) = default;
    grDspList& operator=(const grDspList&) = default;
    ///@}

    /// Compiles object->draw() (nothing for a null object) into the list, generating the
    /// list name on first use and reusing it afterwards. False when GL hands out no list
    /// name; then nothing is compiled and the handle stays without a list.
    bool record(grObject3D* object);
    /// glCallList when a list exists; otherwise nothing.
    void draw() override;
    /// Deletes the GL list now (for every handle sharing it); a later record makes a new one.
    void deleteList();

    /// True while a compiled list exists.
    bool isRecorded() const { return list_.allocated(); }
    /// The GL list name (0 when there is none yet).
    GLuint name() const { return list_.name(); }

private:
    struct ListDeleter {
        static void destroy(GLuint name) { glDeleteLists(name, 1); }
    };
    grSharedName<ListDeleter> list_;
};

} // namespace libgr
