// BillBoard: one photograph from a BMP file, shown as a lit, textured, mipmapped square
// standing at its own pose. A billboard whose file is missing or unsupported draws nothing.
#pragma once

#include "libgr/bmp_file.h"
#include "libgr/drawable.h"
#include "libgr/geometry.h"
#include "libgr/image_record.h"
#include "libgr/texture_image.h"
#include "libgr/texture_object.h"

class BillBoard : public libgr::grObject3D {
public:
    /// Most pixels a photograph may have (4096 x 4096). The memory a picture costs while it
    /// goes to GL grows with it: about 13 bytes a pixel at the peak for a 32-bit file (its
    /// bytes, GL's copy with the mipmaps, GLU's levels), and past this size GLU and the
    /// driver take extra copies. Larger files are refused before their pixels are read.
    static constexpr std::uint64_t kMostPixels = std::uint64_t{4096} * 4096;

    /// Builds every member empty; makes no GL call.
    BillBoard();
    ~BillBoard() override;

    /// Reads the BMP file at `path`, uploads it as a mipmapped 2D texture and remembers
    /// where the quad stands. Needs the GL context. Returns false (and stays invisible, with
    /// no texture name) when the file cannot be read, is not a BMP file the reader takes, or
    /// GL does not hold the uploaded level 0 afterwards; reason() then says which.
    bool load(const char* path, const libgr::grPose& pose, const libgr::grRect& rect);

    /// Why the last load failed, in a few words for a message: the reader's reason
    /// (grBmpFailureReason) or the upload's ("" after a success or before any load). The
    /// string is static; it stays valid for the life of the program.
    const char* reason() const { return failure; }

    /// Draws the textured quad; does nothing at all (no GL call) unless loaded.
    void draw() override;

    bool loaded = false;
    libgr::grBmpFile bitmap;    ///< the file's bytes; owns the pixel storage
    libgr::grImage2D image;     ///< views the bitmap's pixel bytes, no copy
    libgr::grTexture2D texture; ///< the image texture built from `image`
    libgr::grTextureObject textureObject;
    libgr::grTexParams2D texParams; ///< `texture` points at it, so it lives here
    libgr::grPose pose;
    libgr::grRect rect;

private:
    const char* failure = "";
};
