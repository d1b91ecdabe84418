#include "billboard.h"

#include "libgr/gl_state.h"

#include <GL/gl.h>

BillBoard::BillBoard() = default;

BillBoard::~BillBoard() = default;

bool BillBoard::load(const char* path, const libgr::grPose& where, const libgr::grRect& corners) {
    loaded = false;
    failure = "";
    if (!bitmap.load(path, kMostPixels) || !libgr::grBmpToImage(image, bitmap)) {
        failure = libgr::grBmpFailureReason();
        return false;
    }

    texture.setMipmapped(true);
    texture.setImage(image, 0, 0);

    // The anisotropy keeps the record's start value (1, no anisotropy): it is only read once
    // the anisotropy probe has run, which this program never does.
    texParams.set(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT,
                  texParams.maxAnisotropy);
    texture.setParams(&texParams);

    textureObject.load(texture);
    // GL reports a refused upload (out of memory, a size it cannot hold) only through its
    // error state; a level 0 without texels shows the refusal without touching that state.
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    if (width <= 0) {
        textureObject.release();
        failure = *libgr::grTextureFailureReason() != '\0'
                      ? libgr::grTextureFailureReason()
                      : "the graphics driver did not accept the picture";
        return false;
    }

    pose = where;
    rect = corners;
    loaded = true;
    return true;
}

void BillBoard::draw() {
    if (!loaded || !textureObject.isLoaded())
        return;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    libgr::translate(pose.translation());
    if (pose.rotation().isNonTrivial())
        libgr::rotate(pose.rotation());

    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    textureObject.apply();
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
