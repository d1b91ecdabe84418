// PhotoTexture: a picture file prepared off the GL thread (the BMP reader's record for GLU, or
// a whole chain of levels built here) and sent to GL on it, with the same check of level 0 the
// billboard makes.
#include "libphoto/photo_texture.h"

#include "libphoto/mipmap.h"

#include <mutex>
#include <set>
#include <string>

namespace libphoto {

namespace {

// Reasons outlive the thread and the call that produced them: a worker's reason is read on
// the GL thread, after the worker may have failed again. Each distinct text is kept once for
// the life of the program, up to a bound that hostile files cannot push memory past.
const char* keep(const char* text) {
    static std::mutex mutex;
    static std::set<std::string> kept;
    constexpr std::size_t kMostKept = 256;
    if (text == nullptr || *text == '\0')
        return "the picture could not be read";
    try {
        const std::lock_guard<std::mutex> lock(mutex);
        const auto found = kept.find(text);
        if (found != kept.end())
            return found->c_str();
        if (kept.size() >= kMostKept)
            return "the picture could not be read";
        return kept.insert(text).first->c_str();
    } catch (...) { // short memory, or a mutex that cannot be locked
        return "the picture could not be read";
    }
}

} // namespace

bool PhotoTexture::prepare(const char* path, const TextureRequest& request) {
    prepared = false;
    try {
        std::vector<libgr::grImage2D> made(1);
        if (request.mipmaps == MipmapSource::Glu) {
            libgr::grBmpFile file;
            if (!file.load(path, request.photo.maxPixels) || !libgr::grBmpToImage(made[0], file)) {
                failure = keep(libgr::grBmpFailureReason());
                return false;
            }
            bitmap = file;
        } else {
            libgr::grImage2D base;
            if (!decodePhoto(path, request.photo, base) ||
                !buildMipmapChain(base, request.keepNonPowerOfTwo, made)) {
                failure = keep(photoFailureReason());
                return false;
            }
            bitmap = libgr::grBmpFile();
        }
        levels.swap(made);
        size[0] = levels[0].width;
        size[1] = levels[0].height;
    } catch (const std::bad_alloc&) {
        failure = "out of memory";
        return false;
    }
    source = request.mipmaps;
    wrap = request.wrap;
    prepared = true;
    failure = "";
    return true;
}

bool PhotoTexture::upload() {
    if (!prepared || levels.empty()) {
        failure = "no picture prepared";
        return false;
    }
    if (source == MipmapSource::Glu) {
        // The classic road, call for call: GLU builds the chain from the file's bytes.
        texture.setMipmapped(true);
        texture.setImage(levels[0], 0, 0);
    } else {
        // Every level as it is; no GLU call.
        texture.setMipmapped(false);
        texture.clearImages();
        if (!texture.setImages(levels, 0, 0)) {
            failure = "out of memory";
            return false;
        }
    }
    params.set(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, wrap, wrap, params.maxAnisotropy);
    texture.setParams(&params);
    object.load(texture);
    // GL reports a refused upload (out of memory, a size it cannot hold) only through its
    // error state; a level 0 without texels shows the refusal without touching that state.
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    if (width <= 0) {
        object.release();
        failure = *libgr::grTextureFailureReason() != '\0'
                      ? libgr::grTextureFailureReason()
                      : "the graphics driver did not accept the picture";
        return false;
    }
    failure = "";
    return true;
}

bool PhotoTexture::load(const char* path, const TextureRequest& request) {
    return prepare(path, request) && upload();
}

bool PhotoTexture::isLoaded() const {
    return object.isLoaded(); // a failed upload gives its name back
}

void PhotoTexture::apply() {
    if (isLoaded())
        object.apply();
}

std::uint32_t PhotoTexture::width() const {
    return size[0];
}

std::uint32_t PhotoTexture::height() const {
    return size[1];
}

void PhotoTexture::releasePixels() {
    texture.clearImages();
    std::vector<libgr::grImage2D>().swap(levels);
    bitmap = libgr::grBmpFile();
    prepared = false;
}

} // namespace libphoto
