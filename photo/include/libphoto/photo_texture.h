// PhotoTexture: the one road from a picture file to a bound, mipmapped GL texture, holding
// everything on the way (the decoded levels, the texture and its parameters, the GL name).
//
// Usage, all on the GL thread:
//     libphoto::PhotoTexture photo;
//     if (!photo.load(path, libphoto::TextureRequest()))
//         report(path, photo.error().text());
//     ...
//     photo.apply(); // binds the texture, when loaded
//
// Or split, so that the slow part runs elsewhere (see PhotoLoader):
//     photo.prepare(path, request); // any thread: read, decode, scale, build the levels
//     photo.upload();               // GL thread: the texture name and the GL calls
#pragma once

#include "libphoto/photo.h"

#include "libgr/image_record.h"

#include <GL/gl.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace libphoto {

/// Where a texture's smaller mipmap levels come from.
enum class MipmapSource {
    /// The library chooses from the file's kind: a BMP file that needs no scaling takes the
    /// classic road (Glu), every other picture the library's chain (Library).
    Auto,
    /// Level 0 is the BMP reader's record, sharing the file's bytes; gluBuild2DMipmaps
    /// builds the rest. The classic road of a BMP file, call for call. BMP files only; asked
    /// for explicitly, the file is read by libgr's file reader.
    Glu,
    /// Every level is built on the CPU by buildMipmapChain and sent as it is, level by
    /// level (glTexImage2D to allocate, glTexSubImage2D to fill), with no GLU call; JPEG and
    /// PNG pictures go as BGRA bytes into an unsized GL_RGBA texture. Any kind decodePhoto
    /// reads.
    Library,
};

/// What a PhotoTexture asks of a picture.
struct TextureRequest {
    /// Decoding: longest side, GL's cap, limits, orientation. With MipmapSource::Glu only
    /// `maxPixels` applies (the reader's own limit, checked before the pixels are read).
    PhotoOptions photo;
    MipmapSource mipmaps = MipmapSource::Auto; ///< how the levels are made
    /// MipmapSource::Library: keep sides that are not powers of two (GL has
    /// GL_ARB_texture_non_power_of_two); otherwise they are resampled once to powers of two.
    bool keepNonPowerOfTwo = false;
    GLint wrap = GL_REPEAT; ///< wrap mode of s and t; the filters are always trilinear
};

/// A picture as a texture: a handle whose state lives behind it, so it moves freely (a
/// std::vector of them may reallocate) and cannot be copied. Default construction makes no
/// GL call; destruction gives the GL texture name back (it needs the GL context when a name
/// was made).
class PhotoTexture {
public:
    PhotoTexture();
    ~PhotoTexture();
    PhotoTexture(PhotoTexture&&) noexcept;            ///< takes the other's picture and name
    PhotoTexture& operator=(PhotoTexture&&) noexcept; ///< gives up its own first
    PhotoTexture(const PhotoTexture&) = delete;
    PhotoTexture& operator=(const PhotoTexture&) = delete;

    /// Reads the file at `path` once and decodes it as `request` says and, on the library's
    /// road, builds its mipmap chain. Calls no GL: it may run on any thread, as long as no
    /// other thread uses this object meanwhile. False, with error() saying why, when the
    /// file cannot be read or shown; what an earlier load put in GL stays.
    bool prepare(const char* path, const TextureRequest& request);

    /// Sends what prepare made to GL: generates the texture name on first use, binds it to
    /// GL_TEXTURE_2D, uploads every level and applies the parameters. Needs the GL context.
    /// Checks that GL holds level 0 afterwards; if it does not, the name is deleted and the
    /// result is false, with error() saying why. False too when nothing was prepared.
    bool upload();

    /// prepare, then upload: the one call from a file to a texture. Needs the GL context.
    bool load(const char* path, const TextureRequest& request);

    /// Whether the last upload succeeded and the texture name is held.
    bool isLoaded() const;
    /// Binds the texture to GL_TEXTURE_2D; no GL call at all unless loaded.
    void apply();
    /// Why the last prepare, upload or load failed, by value (code none after a success).
    PhotoError error() const;
    /// error()'s text, "" after a success; valid until the next call on this object.
    const char* reason() const;
    /// Width of level 0 as last prepared (0 before).
    std::uint32_t width() const;
    /// Height of level 0 as last prepared (0 before).
    std::uint32_t height() const;
    /// The road the last prepare took (Glu or Library; Auto before any).
    MipmapSource road() const;
    /// The level records as last prepared, level 0 first (empty before, and after
    /// releasePixels).
    const std::vector<libgr::grImage2D>& levels() const;
    /// The GL texture name, 0 when none is held.
    GLuint name() const;
    /// Lets go of the pixels on the CPU side (the levels, the file's bytes): GL keeps its own
    /// copy of an uploaded texture, so a caller that will not upload again halves what the
    /// picture costs. Calls no GL; a later upload fails until the next prepare.
    void releasePixels();
    /// Gives the GL texture name back (GL thread); the prepared levels stay for a new upload.
    void releaseTexture();

private:
    struct State;
    std::unique_ptr<State> state;
};

} // namespace libphoto
