#include "billboard.h"

#include "libgr/gl_state.h"

#include <GL/gl.h>

BillBoard::BillBoard() = default;

BillBoard::~BillBoard() = default;

bool BillBoard::load(const char* path, const libgr::grPose& where, const libgr::grRect& corners) {
    loaded = false;
    libphoto::TextureRequest request;
    request.mipmaps = libphoto::MipmapSource::Glu;
    request.photo.maxPixels = kMostPixels;
    // The anisotropy keeps the record's start value (1, no anisotropy): it is only read once
    // the anisotropy probe has run, which this program never does.
    if (!photo->load(path, request))
        return false;
    place(where, corners);
    loaded = true;
    return true;
}

void BillBoard::place(const libgr::grPose& where, const libgr::grRect& corners) {
    pose = where;
    rect = corners;
}

bool BillBoard::show() {
    loaded = photo->upload();
    // GL holds its own copy of every level now; the one on the CPU side would only double
    // what the photograph costs.
    if (loaded)
        photo->releasePixels();
    return loaded;
}

void BillBoard::draw() {
    if (!loaded || !photo->isLoaded())
        return;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    libgr::translate(pose.translation());
    if (pose.rotation().isNonTrivial())
        libgr::rotate(pose.rotation());

    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    photo->apply();
    {
        libgr::grPrimitiveGuard quads(GL_QUADS);
        glNormal3f(0.0f, 0.0f, 1.0f);
        glTexCoord2f(0.0f, 0.0f);
        glVertex2f(rect.minX, rect.minY);
        glTexCoord2f(1.0f, 0.0f);
        glVertex2f(rect.maxX, rect.minY);
        glTexCoord2f(1.0f, 1.0f);
        glVertex2f(rect.maxX, rect.maxY);
        glTexCoord2f(0.0f, 1.0f);
        glVertex2f(rect.minX, rect.maxY);
    }
    glFlush();
    glDisable(GL_TEXTURE_2D);
    glPopMatrix();
}
