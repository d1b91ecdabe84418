// The image textures: filling their image lists and the one upload of every kind (format
// resolution, unpack set-up, then the GL image calls), with the palette guard.
#include "libgr/texture_image.h"

#include "libgr/extensions.h"

#include <GL/glext.h>
#include <GL/glu.h>

#include <algorithm>
#include <functional>
#include <new>
#include <stdexcept>

namespace libgr {

bool resolveFormat(grGLFormat& out, int layout, int numberKind, int bitCode, bool compress) {
    return resolvePixelFormat(out, layout, numberKind, bitCode, compress, hasTextureCompression);
}

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

thread_local const char* failureReason = "";

constexpr const char* kNoFormat = "pixel format codes without a GL format";
constexpr const char* kBitmap = "1-bit pixels upload only as colour indices";
constexpr const char* kNoCompression = "compressed pixels, but GL has no texture compression";
constexpr const char* kShortView = "pixel view shorter than the image GL would read";
constexpr const char* kNo3D = "3D texture entry points not fetched";
constexpr const char* kTooLarge = "picture too large for GL: larger than GL_MAX_TEXTURE_SIZE";

// Saves the client pixel-store state for one image step and restores it however the step
// is left.
class ClientPixelStoreBracket {
public:
    ClientPixelStoreBracket() { glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT); }
    ~ClientPixelStoreBracket() { glPopClientAttrib(); }
    ClientPixelStoreBracket(const ClientPixelStoreBracket&) = delete;
    ClientPixelStoreBracket& operator=(const ClientPixelStoreBracket&) = delete;
};

bool generates(const grGLFormat& fmt) {
    return hasGenerateMipmap && supportsGenerateMipmap(fmt.internalFormat);
}

// Every GL implementation of the last two decades holds textures of 2048 texels a side, so
// only larger images cost a query.
constexpr std::uint32_t kEdgeEveryGLHolds = 2048;

// Whether GL can hold an image of this extent as a texture level. GLU must never see one it
// cannot: it then scales the image down itself, and its code for that smashes its stack on
// extreme sizes (2^26 by 1) and hands GL its own rows under the caller's alignment.
bool glHolds(std::uint32_t w, std::uint32_t h) {
    const std::uint32_t largest = std::max(w, h);
    if (largest <= kEdgeEveryGLHolds)
        return true;
    GLint most = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &most);
    return most > 0 && largest <= static_cast<std::uint32_t>(most);
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

// Edge of level 0 on the generate path: floorPowerOfTwo(inner) plus the border, but never
// smaller than the image it is filled with (the fill would be refused and the image lost);
// then the next power of two that holds the image is used instead.
GLsizei generatedEdge(std::uint32_t inner, bool border, std::uint32_t largest) {
    std::uint32_t edge = floorPowerOfTwo(inner);
    if (edge < largest)
        edge = ceilPowerOfTwo(largest);
    return static_cast<GLsizei>(edge + (border ? 2 : 0));
}
std::uint32_t withoutBorder(std::uint32_t size, bool border) {
    return border ? (size > 2 ? size - 2 : 0) : size;
}

// Width, height and depth of a record or of a level (1 for the dimensions a kind lacks).
struct Extent {
    std::uint32_t w = 1, h = 1, d = 1;
};
Extent extentOf(const grImage1D& im) {
    return {im.width, 1, 1};
}
Extent extentOf(const grImage2D& im) {
    return {im.width, im.height, 1};
}
Extent extentOf(const grImage3D& im) {
    return {im.width, im.height, im.depth};
}
GLsizei dim(std::uint32_t n) {
    return static_cast<GLsizei>(n);
}

// The GL calls that differ by dimension: allocate a level, fill it, send a compressed
// image, refresh a compressed one, build a chain with GLU. `face` is the image target (a
// cube face or the texture's own target).
struct Calls {
    int dims;

    void allocate(GLenum face, GLint level, const grGLFormat& f, Extent s, GLint border) const {
        const GLint internal = GLint(f.internalFormat);
        if (dims == 1)
            glTexImage1D(face, level, internal, dim(s.w), border, f.format, f.type, nullptr);
        else if (dims == 2)
            glTexImage2D(face, level, internal, dim(s.w), dim(s.h), border, f.format, f.type,
                         nullptr);
        else
            glTexImage3DEXT(face, level, f.internalFormat, dim(s.w), dim(s.h), dim(s.d), border,
                            f.format, f.type, nullptr);
    }
    void fill(GLenum face, GLint level, const grGLFormat& f, Extent s, const void* p) const {
        if (dims == 1)
            glTexSubImage1D(face, level, 0, dim(s.w), f.format, f.type, p);
        else if (dims == 2)
            glTexSubImage2D(face, level, 0, 0, dim(s.w), dim(s.h), f.format, f.type, p);
        else
            glTexSubImage3DEXT(face, level, 0, 0, 0, dim(s.w), dim(s.h), dim(s.d), f.format, f.type,
                               p);
    }
    void compressed(GLenum face, GLint level, const grGLFormat& f, Extent s, GLint border,
                    GLsizei bytes, const void* p) const {
        if (dims == 1 && glCompressedTexImage1DARB)
            glCompressedTexImage1DARB(face, level, f.internalFormat, dim(s.w), border, bytes, p);
        else if (dims == 2 && glCompressedTexImage2DARB)
            glCompressedTexImage2DARB(face, level, f.internalFormat, dim(s.w), dim(s.h), border,
                                      bytes, p);
        else if (dims == 3 && glCompressedTexImage3DARB)
            glCompressedTexImage3DARB(face, level, f.internalFormat, dim(s.w), dim(s.h), dim(s.d),
                                      border, bytes, p);
    }
    // Only the 2D texture refreshes.
    void compressedRefresh(GLenum face, GLint level, const grGLFormat& f, Extent s, GLsizei bytes,
                           const void* p) const {
        if (glCompressedTexSubImage2DARB)
            glCompressedTexSubImage2DARB(face, level, 0, 0, dim(s.w), dim(s.h), f.internalFormat,
                                         bytes, p);
    }
    void buildChain(GLenum face, const grGLFormat& f, Extent s, const void* p) const {
        const GLint internal = GLint(f.internalFormat);
        if (dims == 1)
            gluBuild1DMipmaps(face, internal, dim(s.w), f.format, f.type, p);
        else
            gluBuild2DMipmaps(face, internal, dim(s.w), dim(s.h), f.format, f.type, p);
    }
};

// Allocation of an explicit level: level 0 holds its image; a higher level halves level 0
// as GL holds it (whatever defined it: GLU, the generate path or an explicit level), keeps
// its border, and grows where its image would not fit.
Extent levelShape(GLenum face, GLint level, GLint& border, Extent image, int dims) {
    Extent s = image;
    if (level > 0) {
        GLint w0 = 0, h0 = 0, d0 = 0, b0 = 0;
        glGetTexLevelParameteriv(face, 0, GL_TEXTURE_WIDTH, &w0);
        glGetTexLevelParameteriv(face, 0, GL_TEXTURE_HEIGHT, &h0);
        if (dims == 3)
            glGetTexLevelParameteriv(face, 0, GL_TEXTURE_DEPTH, &d0);
        glGetTexLevelParameteriv(face, 0, GL_TEXTURE_BORDER, &b0);
        if (w0 > 0) {
            auto halved = [&](GLint full) {
                const GLint inner = std::max(full - 2 * b0, 1);
                return static_cast<std::uint32_t>(std::max(inner >> std::min(level, 30), 1));
            };
            s.w = std::max(s.w, halved(w0));
            s.h = std::max(s.h, halved(h0));
            s.d = dims == 3 ? std::max(s.d, halved(d0)) : s.d;
            border = b0;
        }
    }
    const std::uint32_t extra = 2u * static_cast<std::uint32_t>(border);
    s.w = std::max(s.w, 1u) + extra;
    s.h = std::max(s.h, 1u) + extra;
    s.d = std::max(s.d, 1u) + extra;
    return s;
}

// What one texture kind is: where its images and parameters go, its calls, and the rules in
// which the kinds differ.
struct Kind {
    GLenum target;         // parameters, border colour, mipmap generation
    const GLenum* faces;   // image targets, one per face
    std::size_t faceCount; // record 6·L + f is face f of level L
    Calls calls;
    bool gluBuilds;           // a GLU builder exists; without one level 0 is always explicit
    bool compressesChainOnly; // 1D: only level 0 of a chain is resolved with `compress`
    bool needsEntryPoints;    // 3D: uncompressed images need the extension's entry points
    // Edge of level 0 on the generate path (and of the 3D chain), from the nominal size.
    GLsizei (*levelZeroEdge)(std::uint32_t size, bool border, std::uint32_t largest);
    // Border of a call; `compressed` for the compressed entry points.
    GLint (*border)(bool border, bool mipmapped, bool compressed, GLint level);
    bool squareLevels; // cube faces must be square
};

// Level-0 edges of the generate path (and of a 3D chain) from the nominal size. 1D takes no
// border off the size first; a cube map has no border there.
GLsizei sizeEdge(std::uint32_t size, bool border, std::uint32_t largest) {
    return generatedEdge(size, border, largest);
}
GLsizei innerEdge(std::uint32_t size, bool border, std::uint32_t largest) {
    return generatedEdge(withoutBorder(size, border), border, largest);
}
GLsizei borderlessEdge(std::uint32_t size, bool, std::uint32_t largest) {
    return generatedEdge(size, false, largest);
}

GLint plainBorder(bool border, bool, bool, GLint) {
    return border ? 1 : 0;
}
// Without generated mipmaps the higher compressed levels of a 3D chain carry no border.
GLint border3D(bool border, bool mipmapped, bool compressed, GLint level) {
    return compressed && mipmapped && level > 0 && !hasGenerateMipmap ? 0 : border ? 1 : 0;
}
// A cube map has a border only on the explicit levels of an unmipmapped map.
GLint borderCube(bool border, bool mipmapped, bool compressed, GLint) {
    return border && !mipmapped && !compressed ? 1 : 0;
}

const GLenum kTarget1D[] = {GL_TEXTURE_1D};
const GLenum kTarget2D[] = {GL_TEXTURE_2D};
const GLenum kTarget3D[] = {GL_TEXTURE_3D};
const GLenum kCubeFaces[6] = {
    GL_TEXTURE_CUBE_MAP_POSITIVE_X, GL_TEXTURE_CUBE_MAP_NEGATIVE_X, GL_TEXTURE_CUBE_MAP_POSITIVE_Y,
    GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, GL_TEXTURE_CUBE_MAP_POSITIVE_Z, GL_TEXTURE_CUBE_MAP_NEGATIVE_Z,
};

// clang-format off
//                 target               faces       n  calls     GLU    chain-only  3D entries
const Kind k1D{GL_TEXTURE_1D,       kTarget1D,  1, Calls{1}, true,  true,       false,
               sizeEdge,       plainBorder, false};
const Kind k2D{GL_TEXTURE_2D,       kTarget2D,  1, Calls{2}, true,  false,      false,
               innerEdge,      plainBorder, false};
const Kind k3D{GL_TEXTURE_3D,       kTarget3D,  1, Calls{3}, false, false,      true,
               innerEdge,      border3D,    false};
const Kind kCube{GL_TEXTURE_CUBE_MAP, kCubeFaces, 6, Calls{2}, true,  false,      false,
                 borderlessEdge, borderCube,  true};
// clang-format on

// The one upload: the palette guard of image 0, one image step per level and face, then
// the parameters and border colour. The guard is armed before the first image and disarmed
// after the parameters, on every exit.
template <class Image, class Params>
void upload(const Kind& kind, const grImageTexture<Image, Params>& t, bool refresh) {
    failureReason = "";
    if (t.images.empty())
        return;
    grPixelMapGuard guard(t.images[0].palette);
    const std::size_t levels = t.images.size() / kind.faceCount;
    for (std::size_t L = 0; L < levels; ++L) {
        for (std::size_t f = 0; f < kind.faceCount; ++f) {
            const Image& im = t.images[kind.faceCount * L + f];
            const GLenum face = kind.faces[f];
            const GLint level = GLint(L);
            const bool levelZeroChain = t.mipmapped && L == 0;
            const bool compress = t.compress && (levelZeroChain || !kind.compressesChainOnly);
            // No GL call for a record that does not resolve, nor for 1-bit pixels in any layout
            // but colour index: GL takes GL_BITMAP only for indices and would leave
            // GL_INVALID_ENUM behind. An image GLU would have to scale down for GL is refused
            // before its pixel-store calls too.
            grGLFormat fmt;
            if (!resolveFormat(fmt, im.layout, im.numberKind, im.bitCode, compress)) {
                failureReason = kNoFormat;
                continue;
            }
            if (fmt.type == GL_BITMAP && fmt.format != GL_COLOR_INDEX) {
                failureReason = kBitmap;
                continue;
            }
            const bool gen = levelZeroChain && generates(fmt);
            const Extent e = extentOf(im);
            const bool viaGlu = !im.compressed && levelZeroChain && kind.gluBuilds && !gen;
            if (viaGlu && !glHolds(e.w, e.h)) {
                failureReason = kTooLarge;
                continue;
            }
            ClientPixelStoreBracket bracket;
            applyPixelStore(im.pixelStore);
            applyUnpack(im);
            if (im.compressed && !hasTextureCompression) {
                failureReason = kNoCompression;
                continue;
            }
            if (!viewHoldsUpload(im, fmt)) {
                failureReason = kShortView;
                continue;
            }
            if (!im.compressed && kind.needsEntryPoints &&
                !(glTexImage3DEXT && glTexSubImage3DEXT)) {
                failureReason = kNo3D;
                continue;
            }
            const void* pixels = im.pixels.begin();
            const GLsizei bytes = static_cast<GLsizei>(im.pixels.size());
            const GLint border = kind.border(t.border, t.mipmapped, im.compressed, level);
            GenerateMipmapScope scope(kind.target, gen);
            if (im.compressed) {
                if (refresh)
                    kind.calls.compressedRefresh(face, level, fmt, e, bytes, pixels);
                else
                    kind.calls.compressed(face, level, fmt, e, border, bytes, pixels);
            } else if (viaGlu) {
                kind.calls.buildChain(face, fmt, e, pixels);
            } else if (levelZeroChain) {
                if (!refresh) {
                    const auto edge = std::uint32_t(
                        kind.levelZeroEdge(t.size, t.border, std::max({e.w, e.h, e.d})));
                    const Extent cube{edge, kind.calls.dims > 1 ? edge : 1,
                                      kind.calls.dims > 2 ? edge : 1};
                    kind.calls.allocate(face, 0, fmt, cube, border);
                }
                kind.calls.fill(face, 0, fmt, e, pixels);
            } else {
                if (!refresh) {
                    GLint b = border;
                    Extent s = levelShape(face, level, b, e, kind.calls.dims);
                    if (kind.squareLevels)
                        s.w = s.h = std::max(s.w, s.h);
                    kind.calls.allocate(face, level, fmt, s, b);
                }
                kind.calls.fill(face, level, fmt, e, pixels);
            }
        }
    }
    applyParams(t.params);
    applyBorderColor(kind.target, t.borderColor);
}

} // namespace

const char* grTextureFailureReason() {
    return failureReason;
}

void grTexture1D::apply() {
    upload(k1D, *this, false);
}
void grTexture2D::apply() {
    upload(k2D, *this, false);
}
void grTexture2D::update() {
    upload(k2D, *this, true);
}
void grTexture3D::apply() {
    upload(k3D, *this, false);
}
void grTextureCubeMap::apply() {
    upload(kCube, *this, false);
}

} // namespace libgr
