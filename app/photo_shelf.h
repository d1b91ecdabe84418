// PhotoShelf: the photographs on their way to the billboards: the classic BMP files read at
// once, the photographs the user names (--upright, --floor) asked of a background loader, the
// results collected between frames and which billboard each belongs to.
#pragma once

#include "billboard.h"
#include "options.h"

#include "libgr/geometry.h"
#include "libphoto/photo_loader.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class PhotoShelf {
public:
    /// Follows `options`, which must outlive it. Makes no GL call and starts no thread.
    explicit PhotoShelf(const Options& options);

    /// Puts a photograph on `board`, standing at `pose` over `rect`: the classic BMP file
    /// `classicName` at once, or, when the user `named` one, that file once the loader has
    /// prepared it. Needs the GL context. Says on standard error what cannot be shown.
    void put(BillBoard& board, const char* classicName, const std::string& named,
             const libgr::grPose& pose, const libgr::grRect& rect);

    /// Between frames, on the GL thread: uploads the photographs the loader has finished and
    /// says which cannot be shown.
    void collect();

    /// Photographs asked of the loader and not yet shown or refused.
    std::size_t pending() const { return entries.size(); }

    /// Where the photograph `name` is read from: in the --photos folder when set; otherwise in
    /// the working directory, or beside the executable when only that folder holds it.
    std::string photoPath(const char* name) const;

    /// What the photographs the user names are asked to be: at most as large as the screen
    /// (a texture larger than the screen can show is wasted) and as GL can hold, every
    /// mipmap level built by the library. Needs the GL context.
    static libphoto::TextureRequest screenRequest();

private:
    /// A photograph in the loader's hands and the billboard it goes to.
    struct Entry {
        std::shared_ptr<libphoto::PhotoTexture> texture;
        BillBoard* board;
    };
    /// One line on standard error: the photograph at `path` cannot be shown, and why.
    void report(const std::string& path, const char* reason) const;

    const Options& options;
    libphoto::PhotoLoader loader;
    std::vector<Entry> entries;
    std::optional<libphoto::TextureRequest> request; ///< asked of GL once, when first needed
};
