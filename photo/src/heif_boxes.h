// The boxes of a HEIF file that say what its items are and where their bytes lie, read with
// every length checked against the buffer; the grid a primary item may be, checked tile by
// tile; and the writer of small HEIF files from items, so that one tile of a grid can be
// handed to libheif as a picture of its own.
#pragma once

#include "road.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace libphoto::detail {

/// A four-character code as a number: "hvc1" is 0x68766331.
constexpr std::uint32_t fourcc(const char (&s)[5]) {
    return std::uint32_t(std::uint8_t(s[0])) << 24 | std::uint32_t(std::uint8_t(s[1])) << 16 |
           std::uint32_t(std::uint8_t(s[2])) << 8 | std::uint32_t(std::uint8_t(s[3]));
}

/// Bytes of the file: `size` of them from `offset`, always within the buffer read.
struct HeifRange {
    std::size_t offset = 0;
    std::size_t size = 0;
};

/// One property of the item property container: its type and the whole box, header included.
struct HeifProperty {
    std::uint32_t type = 0;
    HeifRange box;
    HeifRange body; ///< after the header
};

/// A property associated with an item.
struct HeifAssociation {
    std::uint32_t index = 0; ///< into HeifBoxes::properties
    bool essential = false;
};

/// One item: its type, the ranges its bytes are made of (in order), its properties (in the
/// order the file lists them) and the items it is derived from.
struct HeifItem {
    std::uint32_t id = 0;
    std::uint32_t type = 0; ///< 0 when its entry states none
    bool located = false;   ///< whether the location box names it
    std::vector<HeifRange> extents;
    std::vector<HeifAssociation> properties;
    std::vector<std::uint32_t> derivedFrom; ///< `dimg` references, in order
    bool hasAuxiliary = false;              ///< another item is its auxiliary (alpha, depth)
};

/// What the meta box says.
struct HeifBoxes {
    std::uint32_t primary = 0;
    std::vector<HeifItem> items; ///< sorted by id, each id once
    std::vector<HeifProperty> properties;

    /// The item `id`, or null.
    const HeifItem* item(std::uint32_t id) const;
    /// The item's first property of `type`, or null.
    const HeifProperty* property(const HeifItem& item, std::uint32_t type) const;
};

/// Most items a file may hold.
constexpr std::size_t kMostHeifItems = 65536;

/// Reads the top-level `meta` box of the HEIF file in `data`: the primary item, the items'
/// types, locations (in the file or in `idat`), references and properties. Every extent lies
/// within the buffer. An Error names what is wrong or not understood.
Error readHeifBoxes(const unsigned char* data, std::size_t size, HeifBoxes& out);

/// The bytes of `item`, its extents one after another.
std::vector<unsigned char> heifItemBytes(const unsigned char* data, const HeifItem& item);

/// A grid of coded tiles, each tileWidth × tileHeight, rows × columns of them, cropped to
/// width × height; turned as `orientation` (EXIF codes) says.
struct HeifGrid {
    std::uint32_t rows = 0, columns = 0;
    std::uint32_t width = 0, height = 0;
    std::uint32_t tileWidth = 0, tileHeight = 0;
    std::uint32_t tileType = 0;         ///< hvc1 or av01
    std::vector<const HeifItem*> tiles; ///< row by row
    int orientation = 1;
};

/// The primary item of `boxes` as a grid that can be decoded tile by tile, or an Error saying
/// why it cannot (not a grid, alpha, a crop, tiles of different kinds or sizes, damaged grid
/// data, more tile pixels than `pixelLimit`, tiles longer together than the `size` bytes of
/// the file).
Error heifGridOf(const unsigned char* data, std::size_t size, const HeifBoxes& boxes,
                 std::uint64_t pixelLimit, HeifGrid& grid);

/// The EXIF orientation that shows what `irot` (anticlockwise quarter turns) and `imir`
/// (axis 0: top and bottom swapped; 1: left and right; -1: none) do, the mirror taken before
/// the turn when `mirrorFirst`.
int heifOrientation(int quarterTurns, int mirrorAxis, bool mirrorFirst);

/// An item to write: its type, its properties (whole boxes, each with its essential flag), its
/// bytes (in `mdat`, or in `idat` when `inIdat`) and the items (1-based positions in the list)
/// it is derived from.
struct HeifItemOut {
    std::uint32_t type = 0;
    std::vector<std::pair<std::vector<unsigned char>, bool>> properties;
    std::vector<unsigned char> data;
    bool inIdat = false;
    std::vector<std::uint16_t> derivedFrom;
};

/// A HEIF file of `items` (at most 65535), the first one primary, under the major brand
/// `brand` ("heic" or "avif").
std::vector<unsigned char> writeHeif(std::uint32_t brand, const std::vector<HeifItemOut>& items);

} // namespace libphoto::detail
