// PhotoTexture: the one road from a picture file to a bound, mipmapped GL texture, holding
// everything on the way (the decoded levels, the texture and its parameters, the GL name).
//
// Usage, all on the GL thread:
//     libphoto::PhotoTexture photo;
//     if (!photo.load(path, libphoto::TextureRequest()))
//         report(path, photo.reason());
//     ...
//     photo.apply(); // binds the texture, when loaded
//
// Or split, so that the slow part runs elsewhere (see PhotoLoader):
//     photo.prepare(path, request); // any thread: read, decode, scale, build the levels
//     photo.upload();               // GL thread: the texture name and the GL calls
#pragma once

#include "libphoto/photo.h"

#include "libgr/bmp_file.h"
#include "libgr/image_record.h"
#include "libgr/texture_image.h"
#include "libgr/texture_object.h"

#include <GL/gl.h>

#include <cstdint>
#include <vector>

namespace libphoto {

/// Where a texture's smaller mipmap levels come from.
enum class MipmapSource {
    /// Level 0 is the BMP reader's record, sharing the file's bytes; gluBuild2DMipmaps
    /// builds the rest. The classic road of a BMP file, call for call. BMP files only.
    Glu,
    /// Every level is built on the CPU by buildMipmapChain and sent as it is, level by
    /// level, with no GLU call. Any kind decodePhoto reads.
    Library,
};

/// What a PhotoTexture asks of a picture.
struct TextureRequest {
    /// Decoding: longest side, GL's cap, limits, orientation. With MipmapSource::Glu only
    /// `maxPixels` applies (the reader's own limit, checked before the pixels are read).
    PhotoOptions photo;
    MipmapSource mipmaps = MipmapSource::Library; ///< how the levels are made
    /// MipmapSource::Library: keep sides that are not powers of two (GL has
    /// GL_ARB_texture_non_power_of_two); otherwise they are resampled once to powers of two.
    bool keepNonPowerOfTwo = false;
    GLint wrap = GL_REPEAT; ///< wrap mode of s and t; the filters are always trilinear
};

/// A picture as a texture. Default construction makes no GL call; destruction gives the GL
/// texture name back (it needs the GL context when a name was made).
class PhotoTexture {
public:
    /// Reads and decodes the file at `path` as `request` says and, for
    /// MipmapSource::Library, builds its mipmap chain. Calls no GL: it may run on any thread,
    /// as long as no other thread uses this object meanwhile. False, with reason() saying
    /// why, when the file cannot be read or shown; what an earlier load put in GL stays.
    bool prepare(const char* path, const TextureRequest& request);

    /// Sends what prepare made to GL: generates the texture name on first use, binds it to
    /// GL_TEXTURE_2D, uploads every level and applies the parameters. Needs the GL context.
    /// Checks that GL holds level 0 afterwards; if it does not, the name is deleted and the
    /// result is false, with reason() saying why. False too when nothing was prepared.
    bool upload();

    /// prepare, then upload: the one call from a file to a texture. Needs the GL context.
    bool load(const char* path, const TextureRequest& request);

    /// Whether the last upload succeeded and the texture name is held.
    bool isLoaded() const;
    /// Binds the texture to GL_TEXTURE_2D; no GL call at all unless loaded.
    void apply();
    /// Why the last prepare, upload or load failed, in a few words for a message ("" after a
    /// success). A static string, valid for the life of the program.
    const char* reason() const { return failure; }
    /// Width of level 0 as prepared (0 before).
    std::uint32_t width() const;
    /// Height of level 0 as prepared (0 before).
    std::uint32_t height() const;

    libgr::grBmpFile bitmap;              ///< MipmapSource::Glu: the file's bytes
    std::vector<libgr::grImage2D> levels; ///< the level records, level 0 first
    libgr::grTexture2D texture;           ///< the image texture built from `levels`
    libgr::grTexParams2D params;          ///< `texture` points at it, so it lives here
    libgr::grTextureObject object;        ///< the GL texture name

private:
    const char* failure = "";
    bool loaded = false;
    MipmapSource source = MipmapSource::Library;
};

} // namespace libphoto
