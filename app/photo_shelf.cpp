#include "photo_shelf.h"

#include "libgr/extensions.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

PhotoShelf::PhotoShelf(const Options& given) : options(given) {}

void PhotoShelf::put(BillBoard& board, const char* classicName, const std::string& named,
                     const libgr::grPose& pose, const libgr::grRect& rect) {
    if (named.empty()) {
        const std::string path = photoPath(classicName);
        if (!board.load(path.c_str(), pose, rect))
            report(path, board.reason());
        return;
    }
    // The window comes up and animates at once; the photograph shows once it is ready.
    board.place(pose, rect);
    if (!request)
        request = screenRequest();
    if (loader.request(board.photo, named, *request))
        entries.push_back(Entry{board.photo, &board});
    else
        report(named, "cannot start the loader");
}

void PhotoShelf::collect() {
    for (const libphoto::PhotoLoader::Done& done : loader.finished()) {
        const auto entry = std::find_if(entries.begin(), entries.end(),
                                        [&](const Entry& e) { return e.texture == done.texture; });
        if (entry == entries.end())
            continue; // not one of ours
        BillBoard& board = *entry->board;
        entries.erase(entry);
        if (!done.prepared || !board.show())
            report(done.path, done.texture->reason());
    }
}

libphoto::TextureRequest PhotoShelf::screenRequest() {
    libphoto::TextureRequest request;
    request.mipmaps = libphoto::MipmapSource::Library;
    GLint most = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &most);
    request.photo.maxTextureSize = most > 0 ? static_cast<std::uint32_t>(most) : 0;
    const int screen = std::max(glutGet(GLUT_SCREEN_WIDTH), glutGet(GLUT_SCREEN_HEIGHT));
    request.photo.longestSide = screen > 0 ? static_cast<std::uint32_t>(screen) : 0;
    request.keepNonPowerOfTwo = libgr::hasExtension("GL_ARB_texture_non_power_of_two");
    request.wrap = GL_REPEAT;
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
    return access(beside.c_str(), F_OK) == 0 ? beside : name;
}
