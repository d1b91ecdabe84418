#include "photo_shelf.h"

#include "libgr/extensions.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace {

// The named photographs, in the order of their places.
std::vector<std::string> named(const Options& options) {
    return {options.upright, options.floor};
}

// One worker per photograph named, as far as cores are spare beside the GL thread's (at least
// one): two photographs decode at once from three cores on. On two, a second worker only
// slowed the first frame (it competes with GLUT's start and the driver's) and brought both
// photographs no sooner.
unsigned workersFor(const Options& options) {
    const unsigned cores = std::thread::hardware_concurrency();
    const unsigned spare = cores > 1 ? cores - 1 : 1;
    const auto photos = static_cast<unsigned>(!options.upright.empty() + !options.floor.empty());
    return std::max(1u, std::min(photos, spare));
}

bool powerOfTwo(std::uint32_t v) {
    return v != 0 && (v & (v - 1)) == 0;
}

// Whether GL takes the prepared picture as `gl` says it must be.
bool fits(const libphoto::PhotoTexture& photo, const libphoto::TextureRequest& gl) {
    const std::uint32_t most = gl.photo.maxTextureSize;
    if (most != 0 && (photo.width() > most || photo.height() > most))
        return false;
    return gl.keepNonPowerOfTwo || (powerOfTwo(photo.width()) && powerOfTwo(photo.height()));
}

} // namespace

PhotoShelf::PhotoShelf(const Options& given, std::uint32_t screenSide)
    : options(given), loader(workersFor(given)) {
    if (screenSide != 0)
        start(screenSide);
}

void PhotoShelf::start(std::uint32_t screenSide) {
    started = true;
    sentMs = options.msSinceStart();
    side = screenSide;
    const std::vector<std::string> paths = named(options);
    const libphoto::TextureRequest assumed = screenRequest(side, false);
    for (int place : {Upright, Floor}) {
        if (paths[place].empty())
            continue;
        auto texture = std::make_shared<libphoto::PhotoTexture>();
        if (loader.request(texture, paths[place], assumed))
            entries.push_back(Entry{static_cast<Place>(place), texture, nullptr, std::nullopt});
        else
            report(paths[place], "cannot start the loader");
    }
}

void PhotoShelf::put(Place place, BillBoard& board, const char* classicName,
                     const libgr::grPose& pose, const libgr::grRect& rect) {
    if (named(options)[place].empty()) {
        const std::string path = photoPath(classicName);
        if (!board.load(path.c_str(), pose, rect))
            report(path, board.reason());
        return;
    }
    // The window comes up and animates at once; the photograph shows once it is ready.
    board.place(pose, rect);
    if (!started) {
        const int screen = std::max(glutGet(GLUT_SCREEN_WIDTH), glutGet(GLUT_SCREEN_HEIGHT));
        start(screen > 0 ? static_cast<std::uint32_t>(screen) : 0);
    }
    for (Entry& entry : entries)
        if (entry.place == place) {
            entry.board = &board;
            board.photo = entry.texture;
        }
    // One prepared already (a JPEG often is) shows from the first frame on.
    collect();
}

void PhotoShelf::betweenFrames() {
    if (entries.empty())
        return;
    pace();
    collect();
}

void PhotoShelf::pace() {
    if (displayPaces)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now < nextFrame)
        std::this_thread::sleep_until(nextFrame);
    nextFrame = std::max(now, nextFrame) + kFramePeriod;
}

void PhotoShelf::collect() {
    // A result waits in its entry until its billboard is put.
    for (libphoto::PhotoLoader::Done& done : loader.finished())
        for (Entry& entry : entries)
            if (entry.texture == done.texture)
                entry.done = std::move(done);
    for (auto entry = entries.begin(); entry != entries.end();) {
        if (!entry->done || entry->board == nullptr) {
            ++entry;
            continue;
        }
        const libphoto::PhotoLoader::Done done = std::move(*entry->done);
        entry->done.reset();
        if (!glRequest)
            glRequest = screenRequest(side, true);
        // Prepared before GL was there to ask: once more, as GL takes it, if it must be.
        if (done.prepared && !fits(*done.texture, *glRequest) &&
            loader.request(done.texture, done.path, *glRequest)) {
            ++entry;
            continue;
        }
        BillBoard& board = *entry->board;
        entry = entries.erase(entry);
        if (!done.prepared || !board.show())
            report(done.path, done.texture->reason());
    }
}

libphoto::TextureRequest PhotoShelf::screenRequest(std::uint32_t screenSide, bool askGL) {
    libphoto::TextureRequest request;
    request.mipmaps = libphoto::MipmapSource::Library;
    request.photo.longestSide = screenSide;
    request.keepNonPowerOfTwo = true;
    request.wrap = GL_REPEAT;
    if (askGL) {
        GLint most = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &most);
        request.photo.maxTextureSize = most > 0 ? static_cast<std::uint32_t>(most) : 0;
        request.keepNonPowerOfTwo = libgr::hasExtension("GL_ARB_texture_non_power_of_two");
    }
    return request;
}

void PhotoShelf::report(const std::string& path, const char* reason) const {
    std::fprintf(stderr, "%s: %s: %s\n", options.program.c_str(), path.c_str(), reason);
}

std::string PhotoShelf::photoPath(const char* name) const {
    if (!options.photos.empty())
        return options.photos + "/" + name;
    if (access(name, F_OK) == 0)
        return name;
    const std::string exeDir = executableDir();
    if (exeDir.empty())
        return name;
    const std::string beside = exeDir + "/" + name;
    if (access(beside.c_str(), F_OK) == 0)
        return beside;
    // An installed program finds the samples in its package's data folder.
    const std::string installed = exeDir + "/../share/pluvina/" + name;
    return access(installed.c_str(), F_OK) == 0 ? installed : name;
}
