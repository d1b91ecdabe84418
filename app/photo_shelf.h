// PhotoShelf: the photographs on their way to the billboards: the classic BMP files read at
// once, the photographs the user names (--upright, --floor) prepared by a background loader
// from the moment the options are known, the results collected between frames and which
// billboard each belongs to, and the pace of the frames while they are on their way.
#pragma once

#include "billboard.h"
#include "options.h"

#include "libgr/geometry.h"
#include "libphoto/photo_loader.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class PhotoShelf {
public:
    /// Where a photograph stands.
    enum Place { Upright, Floor };

    /// Follows `options`, which must outlive it. With the screen's longer side known
    /// (`screenSide` pixels, not 0), starts preparing the photographs they name at once,
    /// before GLUT, a window or a GL context exist; otherwise at the first put. GL's limits
    /// are assumed (no cap on the side, any side allowed) and checked when the picture is
    /// uploaded. Makes no GL call.
    explicit PhotoShelf(const Options& options, std::uint32_t screenSide = 0);

    /// Puts a photograph on `board`, standing at `pose` over `rect`: the one the user named
    /// for `place` once it is prepared (at once if it is already), or else the classic BMP
    /// file `classicName` at once.
    /// Needs the GL context. Says on standard error what cannot be shown.
    void put(Place place, BillBoard& board, const char* classicName, const libgr::grPose& pose,
             const libgr::grRect& rect);

    /// Between frames, on the GL thread, after put: while photographs are on their way,
    /// waits so that frames come no faster than the display refreshes (the cores go to the
    /// decoders), then uploads what the loader has finished and says what cannot be shown.
    /// Once none is on its way, returns at once and calls nothing.
    void betweenFrames();

    /// When the photographs named went to the loader, in ms after the program started;
    /// negative before that, or when none was named.
    double startedMs() const { return sentMs; }

    /// Photographs named and not yet shown or refused.
    std::size_t pending() const { return entries.size(); }

    /// Where the photograph `name` is read from: in the --photos folder when set; otherwise in
    /// the working directory, or beside the executable when only that folder holds it.
    std::string photoPath(const char* name) const;

    /// What a named photograph is asked to be: at most `screenSide` pixels on the longer side
    /// (a texture larger than the screen can show is wasted), every mipmap level built by the
    /// library. With `askGL` (needs the GL context) also within GL's largest texture and in
    /// powers of two where GL needs them; without, GL is assumed to take any picture.
    static libphoto::TextureRequest screenRequest(std::uint32_t screenSide, bool askGL);

    /// Frames come at most this often while photographs are on their way: a display's
    /// refresh, 60 Hz, where the display does not say.
    static constexpr std::chrono::microseconds kFramePeriod{16667};

    /// The buffer swap waits for the display's refresh (--vsync took effect), so the frames
    /// need no pace of the shelf's own.
    bool displayPaces = false;

private:
    /// A named photograph in the loader's hands and the billboard it goes to (null before
    /// put).
    struct Entry {
        Place place;
        std::shared_ptr<libphoto::PhotoTexture> texture;
        BillBoard* board = nullptr;
        std::optional<libphoto::PhotoLoader::Done> done; ///< the loader's, until shown
    };
    /// Asks the loader for the named photographs, at most `screenSide` pixels on the longer
    /// side (0: full size).
    void start(std::uint32_t screenSide);
    /// Waits until a refresh period has passed since the last frame began.
    void pace();
    /// Uploads what the loader has finished.
    void collect();
    /// One line on standard error: the photograph at `path` cannot be shown, and why.
    void report(const std::string& path, const char* reason) const;

    const Options& options;
    libphoto::PhotoLoader loader;
    std::vector<Entry> entries;
    bool started = false;
    double sentMs = -1.0;
    std::uint32_t side = 0;                            ///< the screen's longer side, once started
    std::optional<libphoto::TextureRequest> glRequest; ///< asked of GL once, when first needed
    std::chrono::steady_clock::time_point nextFrame;
};
