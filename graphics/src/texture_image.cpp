#include "libgr/texture_image.h"

#include "libgr/extensions.h"

#include <GL/glext.h>
#include <GL/glu.h>

#include <algorithm>
#include <functional>
#include <new>
#include <stdexcept>

namespace libgr {

std::uint32_t floorPowerOfTwo(std::uint32_t n) {
    for (int bit = 30; bit >= 0; --bit)
        if (n & (1u << bit))
            return 1u << bit;
    return 1;
}

// ---- palette guard ----

grPixelMapGuard::grPixelMapGuard(const grImagePalette& palette) {
    const std::uint32_t n = palette.count;
    const bool powerOfTwo = n != 0 && (n & (n - 1)) == 0;
    // GL reads `count` entries from each map, so a map shorter than the count (the fields are
    // public and can disagree) must not reach it.
    if (!powerOfTwo || palette.red.size() < n || palette.green.size() < n ||
        palette.blue.size() < n)
        return;
    const GLsizei count = static_cast<GLsizei>(n);
    glPixelTransferi(GL_MAP_COLOR, GL_TRUE);
    armed_ = true;
    glPixelMapusv(GL_PIXEL_MAP_I_TO_R, count, palette.red.begin());
    glPixelMapusv(GL_PIXEL_MAP_I_TO_G, count, palette.green.begin());
    glPixelMapusv(GL_PIXEL_MAP_I_TO_B, count, palette.blue.begin());
}

grPixelMapGuard::~grPixelMapGuard() {
    if (armed_)
        glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
}

// ---- filling the image list ----

namespace {

std::uint32_t largestDimension(const grImage1D& image) {
    return image.width;
}
std::uint32_t largestDimension(const grImage2D& image) {
    return std::max(image.width, image.height);
}
std::uint32_t largestDimension(const grImage3D& image) {
    return std::max({image.width, image.height, image.depth});
}

} // namespace

template <class Image, class Params>
bool grImageTexture<Image, Params>::place(const Image* given, std::size_t count,
                                          std::uint32_t newSize, std::size_t first,
                                          std::size_t length) {
    // Records given from this very list would dangle once it reallocates.
    const std::less<const Image*> before;
    if (count != 0 && !before(given, images.data()) &&
        before(given, images.data() + images.size())) {
        const std::vector<Image> copies(given, given + count);
        return place(copies.data(), count, newSize, first, length);
    }
    // A huge index is a request the list cannot meet, not a reason to throw past the caller.
    try {
        images.resize(length);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    std::uint32_t computed = size;
    for (std::size_t i = 0; i < count; ++i) {
        images[first + i] = given[i];
        computed = std::max(computed, largestDimension(given[i]));
    }
    size = newSize != 0 ? newSize : computed;
    return true;
}

template class grImageTexture<grImage1D, grTexParams1D>;
template class grImageTexture<grImage2D, grTexParams2D>;
template class grImageTexture<grImage3D, grTexParams3D>;
template class grImageTexture<grImage2D, grTexParamsCubeMap>;

bool grTextureCubeMap::setLevel(const grImage2D faces[6], std::uint32_t newSize,
                                std::uint32_t level) {
    const std::size_t first = 6 * std::size_t(level);
    return place(faces, 6, newSize, first, first + 6);
}

bool grTextureCubeMap::setLevels(const Faces* groups, std::size_t count, std::uint32_t newSize,
                                 std::uint32_t firstLevel) {
    const std::size_t first = 6 * std::size_t(firstLevel);
    const std::size_t length = std::max(images.size(), first + 6 * count);
    if (!place(nullptr, 0, size, first, length))
        return false;
    std::uint32_t computed = size;
    for (std::size_t g = 0; g < count; ++g)
        for (std::size_t f = 0; f < 6; ++f) {
            images[first + 6 * g + f] = groups[g][f];
            computed = std::max(computed, largestDimension(groups[g][f]));
        }
    size = newSize != 0 ? newSize : computed;
    return true;
}

bool grTextureCubeMap::setLevels(const std::vector<Faces>& groups, std::uint32_t newSize,
                                 std::uint32_t firstLevel) {
    return setLevels(groups.data(), groups.size(), newSize, firstLevel);
}

// ---- upload ----

namespace {

// Saves the client pixel-store state for one image step and restores it however the step
// is left.
class ClientPixelStoreBracket {
public:
    ClientPixelStoreBracket() { glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT); }
    ~ClientPixelStoreBracket() { glPopClientAttrib(); }
    ClientPixelStoreBracket(const ClientPixelStoreBracket&) = delete;
    ClientPixelStoreBracket& operator=(const ClientPixelStoreBracket&) = delete;
};

bool validAlignment(GLint a) {
    return a == 1 || a == 2 || a == 4 || a == 8;
}

// Whether the record's view holds every byte GL will read for it. Compressed records pass
// their view's byte count as the image size, so GL reads exactly the view.
template <class Image> bool viewHoldsImage(const Image& image, const grGLFormat& fmt) {
    GLint alignment = 4;
    if (!(image.pixelStore && validAlignment(image.pixelStore->alignment)))
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    return uploadByteCount(image, fmt, alignment) <= image.pixels.size();
}

// One image step: resolve the codes, then, inside a pixel-store bracket with the record's
// unpack state, hand the format to `send`. Records that do not resolve cost no GL call;
// compressed records without the extension, and records whose view is shorter than what GL
// would read, are skipped inside the bracket.
template <class Image, class Send> void imageStep(const Image& image, bool compress, Send send) {
    grGLFormat fmt;
    if (!resolveFormat(fmt, image.layout, image.numberKind, image.bitCode, compress))
        return;
    ClientPixelStoreBracket bracket;
    applyPixelStore(image.pixelStore);
    applyUnpack(image);
    if (image.compressed && !hasTextureCompression)
        return;
    if (!viewHoldsImage(image, fmt))
        return;
    send(fmt);
}

template <class Image> const void* pixelsOf(const Image& image) {
    return image.pixels.begin();
}
template <class Image> GLsizei bytesOf(const Image& image) {
    return static_cast<GLsizei>(image.pixels.size());
}
GLsizei dim(std::uint32_t n) {
    return static_cast<GLsizei>(n);
}

bool generates(const grGLFormat& fmt) {
    return hasGenerateMipmap && supportsGenerateMipmap(fmt.internalFormat);
}

// Switches hardware mipmap generation on for a target while level 0 is defined.
class GenerateMipmapScope {
public:
    GenerateMipmapScope(GLenum target, bool on) : target_(target), on_(on) {
        if (on_)
            glTexParameteri(target_, GL_GENERATE_MIPMAP_SGIS, GL_TRUE);
    }
    ~GenerateMipmapScope() {
        if (on_)
            glTexParameteri(target_, GL_GENERATE_MIPMAP_SGIS, GL_FALSE);
    }
    GenerateMipmapScope(const GenerateMipmapScope&) = delete;
    GenerateMipmapScope& operator=(const GenerateMipmapScope&) = delete;

private:
    GLenum target_;
    bool on_;
};

std::uint32_t ceilPowerOfTwo(std::uint32_t n) {
    const std::uint32_t f = floorPowerOfTwo(n);
    return f >= n || f == (1u << 30) ? f : f << 1;
}

// Edge of level 0 on the generate path: floorPowerOfTwo(size without the border) plus the
// border, but never smaller than the image it is filled with (the fill would be refused and
// the image lost); then the next power of two that holds the image is used instead.
GLsizei generatedEdge(std::uint32_t inner, bool border, std::uint32_t largest) {
    std::uint32_t edge = floorPowerOfTwo(inner);
    if (edge < largest)
        edge = ceilPowerOfTwo(largest);
    return static_cast<GLsizei>(edge + (border ? 2 : 0));
}
std::uint32_t withoutBorder(std::uint32_t size, bool border) {
    return border ? (size > 2 ? size - 2 : 0) : size;
}

// Allocation of an explicit level: level 0 holds its image; a higher level halves level 0
// as GL holds it (whatever defined it: GLU, the generate path or an explicit level), keeps
// its border, and grows where its image would not fit.
struct LevelShape {
    GLsizei width = 1, height = 1, depth = 1;
    GLint border = 0;
};

LevelShape levelShape(GLenum target, GLint level, GLint levelZeroBorder, std::uint32_t w,
                      std::uint32_t h, std::uint32_t d, bool threeD) {
    LevelShape s;
    std::uint32_t aw = w, ah = h, ad = d;
    s.border = levelZeroBorder;
    if (level > 0) {
        GLint w0 = 0, h0 = 0, d0 = 0, b0 = 0;
        glGetTexLevelParameteriv(target, 0, GL_TEXTURE_WIDTH, &w0);
        glGetTexLevelParameteriv(target, 0, GL_TEXTURE_HEIGHT, &h0);
        if (threeD)
            glGetTexLevelParameteriv(target, 0, GL_TEXTURE_DEPTH, &d0);
        glGetTexLevelParameteriv(target, 0, GL_TEXTURE_BORDER, &b0);
        if (w0 > 0) {
            auto halved = [&](GLint full) {
                const GLint inner = std::max(full - 2 * b0, 1);
                return static_cast<std::uint32_t>(std::max(inner >> std::min(level, 30), 1));
            };
            aw = std::max(aw, halved(w0));
            ah = std::max(ah, halved(h0));
            ad = threeD ? std::max(ad, halved(d0)) : ad;
            s.border = b0;
        }
    }
    const std::uint32_t extra = 2u * static_cast<std::uint32_t>(s.border);
    s.width = dim(std::max(aw, 1u) + extra);
    s.height = dim(std::max(ah, 1u) + extra);
    s.depth = dim(std::max(ad, 1u) + extra);
    return s;
}

// ---- per-dimension GL calls ----

void explicitLevel1D(GLint level, const grGLFormat& f, const grImage1D& im, GLint border) {
    const LevelShape s = levelShape(GL_TEXTURE_1D, level, border, im.width, 1, 1, false);
    glTexImage1D(GL_TEXTURE_1D, level, GLint(f.internalFormat), s.width, s.border, f.format, f.type,
                 nullptr);
    glTexSubImage1D(GL_TEXTURE_1D, level, 0, dim(im.width), f.format, f.type, pixelsOf(im));
}

void compressed1D(GLint level, const grGLFormat& f, const grImage1D& im, GLint border) {
    if (glCompressedTexImage1DARB)
        glCompressedTexImage1DARB(GL_TEXTURE_1D, level, f.internalFormat, dim(im.width), border,
                                  bytesOf(im), pixelsOf(im));
}

void explicitLevel2D(GLenum target, GLint level, const grGLFormat& f, const grImage2D& im,
                     GLint border, bool square) {
    LevelShape s = levelShape(target, level, border, im.width, im.height, 1, false);
    if (square) // cube faces must be square
        s.width = s.height = std::max(s.width, s.height);
    glTexImage2D(target, level, GLint(f.internalFormat), s.width, s.height, s.border, f.format,
                 f.type, nullptr);
    glTexSubImage2D(target, level, 0, 0, dim(im.width), dim(im.height), f.format, f.type,
                    pixelsOf(im));
}

void compressed2D(GLenum target, GLint level, const grGLFormat& f, const grImage2D& im,
                  GLint border) {
    if (glCompressedTexImage2DARB)
        glCompressedTexImage2DARB(target, level, f.internalFormat, dim(im.width), dim(im.height),
                                  border, bytesOf(im), pixelsOf(im));
}

void compressedRefresh2D(GLint level, const grGLFormat& f, const grImage2D& im) {
    if (glCompressedTexSubImage2DARB)
        glCompressedTexSubImage2DARB(GL_TEXTURE_2D, level, 0, 0, dim(im.width), dim(im.height),
                                     f.internalFormat, bytesOf(im), pixelsOf(im));
}

bool have3D() {
    return glTexImage3DEXT && glTexSubImage3DEXT;
}

void explicitLevel3D(GLint level, const grGLFormat& f, const grImage3D& im, GLint border) {
    const LevelShape s =
        levelShape(GL_TEXTURE_3D, level, border, im.width, im.height, im.depth, true);
    glTexImage3DEXT(GL_TEXTURE_3D, level, GLenum(f.internalFormat), s.width, s.height, s.depth,
                    s.border, f.format, f.type, nullptr);
    glTexSubImage3DEXT(GL_TEXTURE_3D, level, 0, 0, 0, dim(im.width), dim(im.height), dim(im.depth),
                       f.format, f.type, pixelsOf(im));
}

void compressed3D(GLint level, const grGLFormat& f, const grImage3D& im, GLint border) {
    if (glCompressedTexImage3DARB)
        glCompressedTexImage3DARB(GL_TEXTURE_3D, level, f.internalFormat, dim(im.width),
                                  dim(im.height), dim(im.depth), border, bytesOf(im), pixelsOf(im));
}

const GLenum kCubeFaces[6] = {
    GL_TEXTURE_CUBE_MAP_POSITIVE_X, GL_TEXTURE_CUBE_MAP_NEGATIVE_X, GL_TEXTURE_CUBE_MAP_POSITIVE_Y,
    GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, GL_TEXTURE_CUBE_MAP_POSITIVE_Z, GL_TEXTURE_CUBE_MAP_NEGATIVE_Z,
};

} // namespace

// The palette guard is armed before the first image and disarmed after the parameters, on
// every exit.

void grTexture1D::apply() {
    if (images.empty())
        return;
    grPixelMapGuard guard(images[0].palette);
    const GLint b = border ? 1 : 0;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const grImage1D& im = images[i];
        const GLint level = GLint(i);
        const bool levelZeroChain = mipmapped && i == 0;
        imageStep(im, levelZeroChain && compress, [&](const grGLFormat& f) {
            if (im.compressed) {
                const bool gen = levelZeroChain && generates(f);
                GenerateMipmapScope scope(GL_TEXTURE_1D, gen);
                compressed1D(level, f, im, b);
            } else if (levelZeroChain && generates(f)) {
                GenerateMipmapScope scope(GL_TEXTURE_1D, true);
                const GLsizei e = generatedEdge(size, border, im.width);
                glTexImage1D(GL_TEXTURE_1D, 0, GLint(f.internalFormat), e, b, f.format, f.type,
                             nullptr);
                glTexSubImage1D(GL_TEXTURE_1D, 0, 0, dim(im.width), f.format, f.type, pixelsOf(im));
            } else if (levelZeroChain) {
                gluBuild1DMipmaps(GL_TEXTURE_1D, GLint(f.internalFormat), dim(im.width), f.format,
                                  f.type, pixelsOf(im));
            } else {
                explicitLevel1D(level, f, im, b);
            }
        });
    }
    applyParams(params);
    applyBorderColor(GL_TEXTURE_1D, borderColor);
}

void grTexture2D::apply() {
    upload(false);
}
void grTexture2D::update() {
    upload(true);
}

void grTexture2D::upload(bool refresh) {
    if (images.empty())
        return;
    grPixelMapGuard guard(images[0].palette);
    const GLint b = border ? 1 : 0;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const grImage2D& im = images[i];
        const GLint level = GLint(i);
        const bool levelZeroChain = mipmapped && i == 0;
        imageStep(im, compress, [&](const grGLFormat& f) {
            if (levelZeroChain) {
                const bool gen = generates(f);
                GenerateMipmapScope scope(GL_TEXTURE_2D, gen);
                if (im.compressed) {
                    if (refresh)
                        compressedRefresh2D(0, f, im);
                    else
                        compressed2D(GL_TEXTURE_2D, 0, f, im, b);
                } else if (gen) {
                    if (!refresh) {
                        const GLsizei e = generatedEdge(withoutBorder(size, border), border,
                                                        std::max(im.width, im.height));
                        glTexImage2D(GL_TEXTURE_2D, 0, GLint(f.internalFormat), e, e, b, f.format,
                                     f.type, nullptr);
                    }
                    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, dim(im.width), dim(im.height), f.format,
                                    f.type, pixelsOf(im));
                } else {
                    gluBuild2DMipmaps(GL_TEXTURE_2D, GLint(f.internalFormat), dim(im.width),
                                      dim(im.height), f.format, f.type, pixelsOf(im));
                }
            } else if (im.compressed) {
                if (refresh)
                    compressedRefresh2D(level, f, im);
                else
                    compressed2D(GL_TEXTURE_2D, level, f, im, b);
            } else if (refresh) {
                glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, dim(im.width), dim(im.height), f.format,
                                f.type, pixelsOf(im));
            } else {
                explicitLevel2D(GL_TEXTURE_2D, level, f, im, b, false);
            }
        });
    }
    applyParams(params);
    applyBorderColor(GL_TEXTURE_2D, borderColor);
}

void grTexture3D::apply() {
    if (images.empty())
        return;
    grPixelMapGuard guard(images[0].palette);
    const GLint b = border ? 1 : 0;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const grImage3D& im = images[i];
        const GLint level = GLint(i);
        const bool levelZeroChain = mipmapped && i == 0;
        imageStep(im, compress, [&](const grGLFormat& f) {
            if (!im.compressed && !have3D())
                return; // the 3D entry points were never fetched
            if (levelZeroChain) {
                GenerateMipmapScope scope(GL_TEXTURE_3D, generates(f));
                if (im.compressed) {
                    compressed3D(0, f, im, b);
                } else {
                    const GLsizei e = generatedEdge(withoutBorder(size, border), border,
                                                    std::max({im.width, im.height, im.depth}));
                    glTexImage3DEXT(GL_TEXTURE_3D, 0, GLenum(f.internalFormat), e, e, e, b,
                                    f.format, f.type, nullptr);
                    glTexSubImage3DEXT(GL_TEXTURE_3D, 0, 0, 0, 0, dim(im.width), dim(im.height),
                                       dim(im.depth), f.format, f.type, pixelsOf(im));
                }
            } else if (im.compressed) {
                // Without generated mipmaps the higher levels of a chain carry no border.
                const bool borderless = mipmapped && !hasGenerateMipmap;
                compressed3D(level, f, im, borderless ? 0 : b);
            } else {
                explicitLevel3D(level, f, im, b);
            }
        });
    }
    applyParams(params);
    applyBorderColor(GL_TEXTURE_3D, borderColor);
}

void grTextureCubeMap::apply() {
    if (images.empty())
        return;
    grPixelMapGuard guard(images[0].palette);
    const std::size_t levels = images.size() / 6;
    for (std::size_t L = 0; L < levels; ++L) {
        for (std::size_t face = 0; face < 6; ++face) {
            const grImage2D& im = images[6 * L + face];
            const GLenum target = kCubeFaces[face];
            const GLint level = GLint(L);
            imageStep(im, compress, [&](const grGLFormat& f) {
                if (mipmapped && L == 0) {
                    const bool gen = generates(f);
                    GenerateMipmapScope scope(GL_TEXTURE_CUBE_MAP, gen);
                    if (im.compressed) {
                        compressed2D(target, 0, f, im, 0);
                    } else if (gen) {
                        const GLsizei e = generatedEdge(size, false, std::max(im.width, im.height));
                        glTexImage2D(target, 0, GLint(f.internalFormat), e, e, 0, f.format, f.type,
                                     nullptr);
                        glTexSubImage2D(target, 0, 0, 0, dim(im.width), dim(im.height), f.format,
                                        f.type, pixelsOf(im));
                    } else {
                        gluBuild2DMipmaps(target, GLint(f.internalFormat), dim(im.width),
                                          dim(im.height), f.format, f.type, pixelsOf(im));
                    }
                } else if (im.compressed) {
                    compressed2D(target, level, f, im, 0);
                } else {
                    // A chain keeps level 0's border (none); a single level may have one.
                    explicitLevel2D(target, level, f, im, mipmapped ? 0 : (border ? 1 : 0), true);
                }
            });
        }
    }
    applyParams(params);
    applyBorderColor(GL_TEXTURE_CUBE_MAP, borderColor);
}

} // namespace libgr
