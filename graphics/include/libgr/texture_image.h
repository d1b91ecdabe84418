// Image textures: 1D, 2D, 3D and cube-map textures that hold image records and define them,
// with their mipmaps, palette and parameters, in the texture object bound to their target.
#pragma once

#include "libgr/image_record.h"
#include "libgr/texture_object.h"
#include "libgr/texture_unpack.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace libgr {

/// resolvePixelFormat with the probed flag hasTextureCompression as `compressionAvailable`:
/// the resolution the uploads use.
bool resolveFormat(grGLFormat& out, int layout, int numberKind, int bitCode, bool compress);

/// Why the last apply() or update() of an image texture on this thread left a record out, in a
/// few words, or "" when it sent every record it held. A static string, valid for the life of
/// the program. A record is left out, with no GL error, and the upload goes on with the next
/// one when its codes have no GL format, when it holds 1-bit pixels in any layout but colour
/// index (GL takes GL_BITMAP only for indices), when a mipmapped upload would hand GLU an
/// image with a side beyond GL_MAX_TEXTURE_SIZE (queried only for sides above 2048; GLU's own
/// rescaling of such images is unsafe), when it is compressed and GL has no texture
/// compression, when its view is shorter than the image GL would read, or when a 3D texture's
/// entry points were never fetched. The first three cases come before the record's
/// pixel-store calls; the first two make no GL call for it at all. When several records are
/// left out, the last one's reason stays.
const char* grTextureFailureReason();

/// The largest power of two not above n, looking at bits 30 to 0 only; 1 when none of them
/// is set. 200 gives 128, 256 gives 256, 0 gives 1.
std::uint32_t floorPowerOfTwo(std::uint32_t n);

/// Loads a palette into the index-to-RGB pixel maps and switches colour mapping on for the
/// guard's lifetime. Only a palette whose count is a power of two, and whose three maps hold
/// that many entries, takes effect; any other palette leaves the pixel-transfer state alone.
class grPixelMapGuard {
public:
    /// Loads `palette` when it qualifies; the palette need not outlive the guard.
    explicit grPixelMapGuard(const grImagePalette& palette);
    ~grPixelMapGuard();
    grPixelMapGuard(const grPixelMapGuard&) = delete;
    grPixelMapGuard& operator=(const grPixelMapGuard&) = delete;

    /// Whether the guard switched GL_MAP_COLOR on (and will switch it off again).
    bool armed() const { return armed_; }

private:
    bool armed_ = false;
};

/// A texturable that defines images in whatever texture object is bound; it owns no GL name.
class grTexturableImage : public grTexturable {};

/// The fields and settings every image texture shares. `images` holds copies of the records
/// given to it; a copy shares the pixel bytes and palette of its original.
template <class Image, class Params> class grImageTexture : public grTexturableImage {
public:
    std::vector<Image> images; ///< the records, in the order the kind gives them
    /// Nominal edge length of level 0: set explicitly or the largest image dimension so far.
    std::uint32_t size = 0;
    /// Asks resolveFormat for compressed internal formats (the 1D texture only for the first
    /// level of a mipmapped texture).
    bool compress = false;
    /// Record 0 is the base of a mipmap chain that GL generates where the generate-mipmap
    /// extension was probed and the internal format allows it (supportsGenerateMipmap), and
    /// GLU builds otherwise (3D textures: level 0 only); later records still define their
    /// levels.
    bool mipmapped = false;
    bool border = false;                ///< the images carry a one-pixel border
    const Params* params = nullptr;     ///< not owned; null leaves the parameters alone
    const float* borderColor = nullptr; ///< four floats, not owned; null leaves it alone

    void setCompress(bool on) { compress = on; }                   ///< sets `compress`
    void setMipmapped(bool on) { mipmapped = on; }                 ///< sets `mipmapped`
    void setBorder(bool on) { border = on; }                       ///< sets `border`
    void setParams(const Params* p) { params = p; }                ///< sets `params` (not owned)
    void setBorderColor(const float* rgba) { borderColor = rgba; } ///< sets `borderColor`
    /// Drops every image record; the settings stay.
    void clearImages() { images.clear(); }

protected:
    /// Resizes the list to `length` records, copies `count` records to positions `first`
    /// on, then updates `size`. False (nothing changed) when the list cannot grow that far.
    bool place(const Image* given, std::size_t count, std::uint32_t newSize, std::size_t first,
               std::size_t length);
};

/// An image texture whose record i is mipmap level i (1D, 2D and 3D).
template <class Image, class Params> class grLevelTexture : public grImageTexture<Image, Params> {
public:
    /// Keeps exactly index + 1 records and puts `image` at `index`. A non-zero `size`
    /// replaces the nominal size; 0 lets it grow to the image's largest dimension. False,
    /// with nothing changed, when the list cannot hold that many records.
    bool setImage(const Image& image, std::uint32_t size, std::uint32_t index) {
        return this->place(&image, 1, size, index, std::size_t(index) + 1);
    }
    /// Puts the records at positions `first` on, growing (never shrinking) the list.
    bool setImages(const Image* given, std::size_t count, std::uint32_t size, std::uint32_t first) {
        const std::size_t length = std::max(this->images.size(), std::size_t(first) + count);
        return this->place(given, count, size, first, length);
    }
    /// As the pointer form, with every record of `given`.
    bool setImages(const std::vector<Image>& given, std::uint32_t size, std::uint32_t first) {
        return setImages(given.data(), given.size(), size, first);
    }
};

/// A one-dimensional texture; image i is mipmap level i.
class grTexture1D : public grLevelTexture<grImage1D, grTexParams1D> {
public:
    int kind() const override { return grKind1D; } ///< grKind1D
    void apply() override;
};

/// A two-dimensional texture; image i is mipmap level i. update() re-sends the images into the
/// levels that exist (glTexSubImage2D), allocating none, except on the GLU path: image 0 of a
/// mipmapped, uncompressed texture without hardware generation goes through gluBuild2DMipmaps
/// again, which redefines every level of the chain (GL allocates them anew) and allocates
/// GLU's own scaled copies of the pixels on the way.
class grTexture2D : public grLevelTexture<grImage2D, grTexParams2D> {
public:
    int kind() const override { return grKind2D; } ///< grKind2D
    void apply() override;
    void update() override;
};

/// A three-dimensional texture, sent through the 3D-texture extension's entry points (its
/// uncompressed images are skipped while those are not fetched).
class grTexture3D : public grLevelTexture<grImage3D, grTexParams3D> {
public:
    int kind() const override { return grKind3D; } ///< grKind3D
    void apply() override;
};

/// A cube map: record 6·L + f is face f of level L, faces in the order +X, −X, +Y, −Y, +Z,
/// −Z. Only complete groups of six are sent.
class grTextureCubeMap : public grImageTexture<grImage2D, grTexParamsCubeMap> {
public:
    using Faces = std::array<grImage2D, 6>; ///< the six faces of one level, in face order

    int kind() const override { return grKindCubeMap; } ///< grKindCubeMap
    void apply() override;

    /// Keeps exactly 6·level + 6 records and puts the six faces into level `level`.
    bool setLevel(const grImage2D faces[6], std::uint32_t size, std::uint32_t level);
    /// Puts the groups into levels `firstLevel` on, growing (never shrinking) the list.
    bool setLevels(const Faces* groups, std::size_t count, std::uint32_t size,
                   std::uint32_t firstLevel);
    /// As the pointer form, with every group of `groups`.
    bool setLevels(const std::vector<Faces>& groups, std::uint32_t size, std::uint32_t firstLevel);
};

} // namespace libgr
