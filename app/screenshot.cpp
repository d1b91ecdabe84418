#include "screenshot.h"

#include "libutils/platform.h"

#include <GL/gl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO // files are opened here, so that "exclusive" can be honoured
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

bool grabFrame(Frame& out) {
    GLint vp[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, vp);
    if (vp[2] <= 0 || vp[3] <= 0)
        return false;
    const std::size_t w = static_cast<std::size_t>(vp[2]), h = static_cast<std::size_t>(vp[3]);
    // RGBA rows are always 4-byte aligned, so the default pack alignment fits any width.
    std::vector<unsigned char> rgba(w * h * 4);
    glReadPixels(vp[0], vp[1], vp[2], vp[3], GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    // GL's rows run bottom up; alpha is dropped, since blending leaves it below 1 where
    // drops were drawn and a viewer would show the picture see-through there.
    out.width = vp[2];
    out.height = vp[3];
    out.rgb.resize(w * h * 3);
    for (std::size_t y = 0; y < h; ++y) {
        const unsigned char* src = &rgba[(h - 1 - y) * w * 4];
        unsigned char* dst = &out.rgb[y * w * 3];
        for (std::size_t x = 0; x < w; ++x, src += 4, dst += 3) {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
        }
    }
    return true;
}

namespace {

struct Sink {
    std::FILE* file;
    int error; // errno of the first failed write, 0 while none failed
};

void writeBytes(void* context, void* data, int size) {
    Sink* sink = static_cast<Sink*>(context);
    if (sink->error == 0 && std::fwrite(data, 1, static_cast<std::size_t>(size), sink->file) !=
                                static_cast<std::size_t>(size))
        sink->error = errno != 0 ? errno : EIO;
}

} // namespace

bool writePng(const Frame& frame, const std::string& path, bool exclusive, std::string& reason) {
    if (frame.width <= 0 || frame.height <= 0 ||
        frame.rgb.size() != static_cast<std::size_t>(frame.width) * frame.height * 3) {
        reason = "no picture to save";
        return false;
    }
    int error = 0;
    Sink sink{libutils::createFile(path.c_str(), exclusive, error), 0};
    if (sink.file == nullptr) {
        reason = std::strerror(error);
        return false;
    }
    const int encoded = stbi_write_png_to_func(writeBytes, &sink, frame.width, frame.height, 3,
                                               frame.rgb.data(), frame.width * 3);
    // A small picture sits in the stream's buffer until fclose, which is then where a full
    // disk shows: its errno is read right after it, not before.
    errno = 0;
    const bool closed = std::fclose(sink.file) == 0;
    const int closeError = errno != 0 ? errno : EIO;
    if (encoded != 0 && sink.error == 0 && closed)
        return true;
    reason = encoded == 0      ? "cannot encode the picture"
             : sink.error != 0 ? std::strerror(sink.error)
                               : std::strerror(closeError);
    // Only a file made here is taken away again; a named one may be anything, even a device.
    if (exclusive)
        std::remove(path.c_str());
    return false;
}

bool writeNewPng(const Frame& frame, const std::string& stem, std::string& name,
                 std::string& reason) {
    for (int i = 1; i <= 9999; ++i) {
        char number[8];
        std::snprintf(number, sizeof number, "-%03d", i);
        const std::string candidate = stem + number + ".png";
        if (writePng(frame, candidate, true, reason)) {
            name = candidate;
            return true;
        }
        // Only a name already taken is worth another try; writePng removes what it created.
        if (!libutils::nameTaken(candidate.c_str()))
            return false;
    }
    reason = "no free file name left";
    return false;
}
