// BillBoard: one photograph shown as a lit, textured, mipmapped square standing at its own
// pose. A billboard whose picture is missing or cannot be shown draws nothing.
#pragma once

#include "libgr/drawable.h"
#include "libgr/geometry.h"
#include "libphoto/photo_texture.h"

#include <cstdint>
#include <memory>

class BillBoard : public libgr::grObject3D {
public:
    /// Most pixels a photograph on the classic road may have (4096 x 4096). The memory a
    /// picture costs while it goes to GL grows with it: about 13 bytes a pixel at the peak for
    /// a 32-bit file (its bytes, GL's copy with the mipmaps, GLU's levels), and past this size
    /// GLU and the driver take extra copies. Larger files are refused before their pixels are
    /// read.
    static constexpr std::uint64_t kMostPixels = std::uint64_t{4096} * 4096;

    /// Builds every member empty; makes no GL call.
    BillBoard();
    ~BillBoard() override;

    /// The classic road: reads the BMP file at `path`, uploads it as a mipmapped 2D texture
    /// (level 0 the file's own bytes where GL reads them as stored, the chain built by GLU)
    /// and remembers where the quad stands. Needs the GL context. Returns false (and stays
    /// invisible, with no texture name) when the file cannot be read, is not a BMP file the
    /// reader takes, or GL does not hold the uploaded level 0 afterwards; reason() then says
    /// which.
    bool load(const char* path, const libgr::grPose& pose, const libgr::grRect& rect);

    /// Remembers where the quad stands, for a photograph that arrives later (show).
    void place(const libgr::grPose& pose, const libgr::grRect& rect);
    /// Uploads `photo`'s prepared picture and shows it from now on. Needs the GL context.
    /// False, with reason() saying why, when GL does not take it.
    bool show();

    /// Why the last load or show failed, in a few words for a message ("" after a success or
    /// before any). The string is static; it stays valid for the life of the program.
    const char* reason() const { return photo->reason(); }

    /// Draws the textured quad; does nothing at all (no GL call) unless loaded.
    void draw() override;

    bool loaded = false;
    /// The picture on its way to GL and then the texture; shared with the loader while it
    /// is prepared off the GL thread.
    std::shared_ptr<libphoto::PhotoTexture> photo = std::make_shared<libphoto::PhotoTexture>();
    libgr::grPose pose;
    libgr::grRect rect;
};
