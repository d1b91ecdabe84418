// GL texture objects that own a name, the texture kinds and targets, and the parameter records
// applied to the bound texture.
#include "libgr/texture_object.h"

#include "libgr/extensions.h"

#include <GL/glext.h>

#include <climits>
#include <cmath>
#include <initializer_list>
#include <utility>

namespace libgr {

GLenum targetForKind(int kind) {
    switch (static_cast<unsigned>(kind)) {
    case grKind1D:
        return GL_TEXTURE_1D;
    case grKind2D:
        return GL_TEXTURE_2D;
    case grKind3D:
        return GL_TEXTURE_3D;
    case grKindCubeMap:
        return GL_TEXTURE_CUBE_MAP;
    default:
        return grNoTarget;
    }
}

int kindForTarget(GLenum target) {
    switch (target) {
    case GL_TEXTURE_1D:
        return grKind1D;
    case GL_TEXTURE_2D:
        return grKind2D;
    case GL_TEXTURE_3D:
        return grKind3D;
    case GL_TEXTURE_CUBE_MAP:
        return grKindCubeMap;
    default:
        return grKindNone;
    }
}

// ---- grTexturable ----

void grTexturable::release() {}
void grTexturable::update() {
    apply();
}
grTexturable::~grTexturable() = default;

// ---- grTextureObject ----

void grTextureNameDeleter::destroy(GLuint name) {
    glDeleteTextures(1, &name);
}

grTextureObject::~grTextureObject() = default; // the handle deletes the name with the record

grTextureObject::grTextureObject(grTextureObject&& other) noexcept {
    *this = std::move(other);
}

grTextureObject& grTextureObject::operator=(grTextureObject&& other) noexcept {
    if (this != &other) {
        handle = std::move(other.handle);
        target = std::exchange(other.target, grNoTarget);
        loaded = std::exchange(other.loaded, false);
        source = std::exchange(other.source, nullptr);
    }
    return *this;
}

GLuint grTextureObject::nameOrNone() const {
    return handle.allocated() ? handle.name() : grNoTextureName;
}

void grTextureObject::load(grTexturable& src) {
    grNameRecord& record = handle.ensureRecord();
    target = targetForKind(src.kind());
    if (!record.allocated) {
        glGenTextures(1, &record.name);
        record.allocated = true;
    }
    glBindTexture(target, nameOrNone());
    src.apply();
    loaded = true;
    source = &src;
}

int grTextureObject::kind() const {
    return kindForTarget(target);
}

void grTextureObject::release() {
    if (!loaded)
        return;
    handle.deleteName();
    target = grNoTarget;
    loaded = false;
}

void grTextureObject::apply() {
    if (!handle.hasRecord())
        return;
    glBindTexture(target, nameOrNone());
}

void grTextureObject::update() {
    if (!loaded)
        return;
    glBindTexture(target, nameOrNone());
    source->update();
}

bool grTextureObject::isLoaded() const {
    return loaded;
}

bool grTextureObject::isResident() const {
    if (!handle.hasRecord())
        return false;
    const GLuint name = nameOrNone();
    GLboolean resident = GL_FALSE;
    if (glAreTexturesResident(1, &name, &resident) == GL_TRUE)
        return true;
    return resident == GL_TRUE;
}

// ---- parameter records ----

void grTexParams1D::set(GLint minFilter_, GLint magFilter_, GLint wrapS_) {
    minFilter = minFilter_;
    magFilter = magFilter_;
    wrapS = wrapS_;
}

void grTexParams2D::set(GLint minFilter_, GLint magFilter_, GLint wrapS_, GLint wrapT_,
                        float maxAnisotropy_) {
    minFilter = minFilter_;
    magFilter = magFilter_;
    wrapS = wrapS_;
    wrapT = wrapT_;
    maxAnisotropy = maxAnisotropy_;
}

void grTexParams3D::set(GLint minFilter_, GLint magFilter_, GLint wrapS_, GLint wrapT_,
                        GLint wrapR_, float maxAnisotropy_) {
    minFilter = minFilter_;
    magFilter = magFilter_;
    wrapS = wrapS_;
    wrapT = wrapT_;
    wrapR = wrapR_;
    maxAnisotropy = maxAnisotropy_;
}

void grTexParamsCubeMap::set(GLint minFilter_, GLint magFilter_, float maxAnisotropy_) {
    minFilter = minFilter_;
    magFilter = magFilter_;
    maxAnisotropy = maxAnisotropy_;
}

namespace {

// Truncates toward zero like a plain conversion, but keeps NaN and out-of-range values
// (whose conversion is undefined) inside GLint; GL itself rejects values below 1.
GLint truncateAnisotropy(float value) {
    if (std::isnan(value))
        return 0;
    if (value >= 2147483520.0f) // the largest float below 2^31
        return INT_MAX;
    if (value <= -2147483648.0f)
        return INT_MIN;
    return static_cast<GLint>(value);
}

// The one parameter sequence: filters, the record's wrap modes in S, T, R order, then the
// anisotropy where the record has one and the probe found its extension.
template <class Params>
void applyRecord(GLenum target, const Params* p, std::initializer_list<GLint Params::*> wraps,
                 float Params::*anisotropy) {
    if (!p)
        return;
    const GLenum wrapNames[3] = {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R};
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, p->minFilter);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, p->magFilter);
    const GLenum* name = wrapNames;
    for (GLint Params::*wrap : wraps)
        glTexParameteri(target, *name++, p->*wrap);
    if (anisotropy && hasAnisotropicFilter)
        glTexParameteri(target, GL_TEXTURE_MAX_ANISOTROPY_EXT, truncateAnisotropy(p->*anisotropy));
}

} // namespace

void applyParams(const grTexParams1D* p) {
    using P = grTexParams1D;
    applyRecord<P>(GL_TEXTURE_1D, p, {&P::wrapS}, nullptr);
}

void applyParams(const grTexParams2D* p) {
    using P = grTexParams2D;
    applyRecord<P>(GL_TEXTURE_2D, p, {&P::wrapS, &P::wrapT}, &P::maxAnisotropy);
}

void applyParams(const grTexParams3D* p) {
    using P = grTexParams3D;
    applyRecord<P>(GL_TEXTURE_3D, p, {&P::wrapS, &P::wrapT, &P::wrapR}, &P::maxAnisotropy);
}

void applyParams(const grTexParamsCubeMap* p) {
    using P = grTexParamsCubeMap; // a cube map carries no wrap modes
    applyRecord<P>(GL_TEXTURE_CUBE_MAP, p, {}, &P::maxAnisotropy);
}

void applyBorderColor(GLenum target, const float* rgba) {
    if (rgba)
        glTexParameterfv(target, GL_TEXTURE_BORDER_COLOR, rgba);
}

} // namespace libgr
