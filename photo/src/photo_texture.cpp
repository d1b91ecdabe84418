// PhotoTexture: a picture file prepared off the GL thread (the BMP reader's record for GLU, or
// a whole chain of levels built here) and sent to GL on it, with the same check of level 0 the
// billboard makes. Its state lives behind a pointer, so nothing points into a moved object.
#include "libphoto/photo_texture.h"

#include "errors.h"
#include "libgr/bmp_file.h"
#include "libgr/texture_image.h"
#include "libgr/texture_object.h"
#include "libphoto/mipmap.h"
#include "libphoto/resample.h"
#include "memory.h"

#include <new>

namespace libphoto {

using libgr::grErrc;
using libgr::grError;

struct PhotoTexture::State {
    libgr::grBmpFile bitmap;              // the classic road: the file's bytes
    std::vector<libgr::grImage2D> levels; // the level records, level 0 first
    libgr::grTexture2D texture;           // the image texture built from `levels`
    libgr::grTexParams2D params;          // `texture` points at it: it never moves
    libgr::grTextureObject object;        // the GL texture name
    grError error;
    bool prepared = false;
    std::uint32_t size[2] = {0, 0};
    MipmapSource source = MipmapSource::Auto;
    GLint wrap = GL_REPEAT;
};

PhotoTexture::PhotoTexture() : state(std::make_unique<State>()) {}
PhotoTexture::~PhotoTexture() = default;
PhotoTexture::PhotoTexture(PhotoTexture&& other) noexcept : state(std::move(other.state)) {}
PhotoTexture& PhotoTexture::operator=(PhotoTexture&& other) noexcept {
    state.swap(other.state); // the other lets go of this one's picture when it goes
    return *this;
}

bool PhotoTexture::prepare(const char* path, const TextureRequest& request) {
    if (!state)
        state = std::make_unique<State>();
    State& s = *state;
    s.prepared = false;
    try {
        std::vector<libgr::grImage2D> made(1);
        libgr::grBmpFile file;
        MipmapSource road = request.mipmaps;
        if (road == MipmapSource::Glu) {
            // Asked for: the billboards' road, call for call.
            if (!file.load(path, request.photo.maxPixels) || !libgr::grBmpToImage(made[0], file)) {
                s.error = libgr::grBmpError();
                return false;
            }
        } else {
            std::vector<unsigned char> bytes;
            if ((s.error = detail::readWholeFile(path, request.photo.maxFileBytes, bytes)))
                return false;
            // A BMP the screen shows at its own size goes to GLU as the reader has it.
            bool glu = false;
            if (road == MipmapSource::Auto &&
                sniffPhoto(bytes.data(), bytes.size()) == PhotoKind::Bmp &&
                file.read(bytes.data(), bytes.size(), request.photo.maxPixels)) {
                const PhotoOptions& o = request.photo;
                const PhotoSize fitted = fitLongestSide({file.info.width, file.info.height},
                                                        o.longestSide, o.maxTextureSize);
                glu = fitted.width == file.info.width && fitted.height == file.info.height &&
                      libgr::grBmpToImage(made[0], file);
            }
            if (glu) {
                road = MipmapSource::Glu;
            } else {
                road = MipmapSource::Library;
                file = libgr::grBmpFile();
                libgr::grImage2D base;
                if (!decodePhotoMemory(bytes.data(), bytes.size(), request.photo, base) ||
                    !buildMipmapChain(base, request.keepNonPowerOfTwo, made)) {
                    s.error = photoError();
                    return false;
                }
            }
        }
        s.bitmap = file;
        s.levels.swap(made);
        s.size[0] = s.levels[0].width;
        s.size[1] = s.levels[0].height;
        s.source = road;
    } catch (const std::bad_alloc&) {
        s.error = grError(grErrc::outOfMemory, "out of memory");
        return false;
    }
    s.wrap = request.wrap;
    s.prepared = true;
    s.error = grError();
    return true;
}

bool PhotoTexture::upload() {
    if (!state)
        return false;
    State& s = *state;
    if (!s.prepared || s.levels.empty()) {
        s.error = grError(grErrc::badArgument, "no picture prepared");
        return false;
    }
    if (s.source == MipmapSource::Glu) {
        // The classic road, call for call: GLU builds the chain from the file's bytes.
        s.texture.setMipmapped(true);
        s.texture.setImage(s.levels[0], 0, 0);
    } else {
        // Every level as it is; no GLU call.
        s.texture.setMipmapped(false);
        s.texture.clearImages();
        if (!s.texture.setImages(s.levels, 0, 0)) {
            s.error = grError(grErrc::outOfMemory, "out of memory");
            return false;
        }
    }
    s.params.set(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, s.wrap, s.wrap, s.params.maxAnisotropy);
    s.texture.setParams(&s.params);
    s.object.load(s.texture);
    // GL reports a refused upload (out of memory, a size it cannot hold) only through its
    // error state; a level 0 without texels shows the refusal without touching that state.
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    if (width <= 0) {
        s.object.release();
        const char* why = libgr::grTextureFailureReason();
        s.error = grError(grErrc::driver,
                          *why != '\0' ? why : "the graphics driver did not accept the picture");
        return false;
    }
    s.error = grError();
    return true;
}

bool PhotoTexture::load(const char* path, const TextureRequest& request) {
    return prepare(path, request) && upload();
}

bool PhotoTexture::isLoaded() const {
    return state && state->object.isLoaded(); // a failed upload gives its name back
}

void PhotoTexture::apply() {
    if (isLoaded())
        state->object.apply();
}

PhotoError PhotoTexture::error() const {
    return state ? state->error : grError();
}

const char* PhotoTexture::reason() const {
    return state ? state->error.text() : "";
}

std::uint32_t PhotoTexture::width() const {
    return state ? state->size[0] : 0;
}

std::uint32_t PhotoTexture::height() const {
    return state ? state->size[1] : 0;
}

MipmapSource PhotoTexture::road() const {
    return state ? state->source : MipmapSource::Auto;
}

const std::vector<libgr::grImage2D>& PhotoTexture::levels() const {
    static const std::vector<libgr::grImage2D> none;
    return state ? state->levels : none;
}

GLuint PhotoTexture::name() const {
    return state && state->object.name().allocated() ? state->object.name().name() : 0;
}

void PhotoTexture::releasePixels() {
    if (!state)
        return;
    state->texture.clearImages();
    std::vector<libgr::grImage2D>().swap(state->levels);
    state->bitmap = libgr::grBmpFile();
    state->prepared = false;
}

void PhotoTexture::releaseTexture() {
    if (state)
        state->object.release();
}

} // namespace libphoto
