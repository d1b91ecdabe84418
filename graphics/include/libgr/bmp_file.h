// The BMP reader: the packed BMP header records, grBmpFile (a whole file read once into one
// shared byte storage, seen through typed views of its headers, colour table and pixel
// array) and grBmpToImage, which describes a loaded file's pixels as a 2D image record that
// shares the file's bytes.
#pragma once

#include "libgr/image_record.h"
#include "libgr/refvector.h"

#include <cstdint>

namespace libgr {

#pragma pack(push, 1)
struct tagBITMAPFILEHEADER {
    std::uint16_t bfType;
    std::uint32_t bfSize;
    std::uint16_t bfReserved1;
    std::uint16_t bfReserved2;
    std::uint32_t bfOffBits; ///< byte offset of the pixel array from the start of the file
};

struct tagBITMAPINFOHEADER {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight; ///< negative for rows stored top to bottom
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};

struct tagRGBQUAD {
    std::uint8_t rgbBlue;
    std::uint8_t rgbGreen;
    std::uint8_t rgbRed;
    std::uint8_t rgbReserved;
};
#pragma pack(pop)

static_assert(sizeof(tagBITMAPFILEHEADER) == 14, "BMP file header is 14 packed bytes");
static_assert(sizeof(tagBITMAPINFOHEADER) == 40, "BMP info header is 40 packed bytes");
static_assert(sizeof(tagRGBQUAD) == 4, "BMP colour-table entry is 4 bytes");

/// A BMP file in memory. After a successful load the four views share one storage holding the
/// whole file: fileHeader at byte 0 (1 element), infoHeader at 14 (1 element), colorTable at
/// 54 ((bfOffBits - 54) / 4 entries) and bits from bfOffBits to the end of the file (offsets
/// lowered to the file's length). Rows of a top-down file have been put bottom-up in that
/// storage, and its biHeight made positive, so every reader sees a bottom-up image.
class grBmpFile {
public:
    ofsvector<tagBITMAPFILEHEADER> fileHeader;
    ofsvector<tagBITMAPINFOHEADER> infoHeader;
    ofsvector<tagRGBQUAD> colorTable;
    ofsvector<unsigned char> bits;

    /// Reads the whole file at `path` and places the views. False, with the object unchanged,
    /// when the file's status cannot be obtained, it cannot be read in full, it is too short
    /// for the two headers (54 bytes) or longer than 4 GiB - 1, its info header is smaller
    /// than 40 bytes, or its pixel array would start inside the headers (bfOffBits < 54).
    /// bfType is not examined. The pixel array's size is checked by grBmpToImage.
    bool load(const char* path);
};

/// Describes the pixels of a loaded file in `image`: uncompressed files of 8, 24 or 32 bits
/// per pixel share the file's bytes (layouts 0, 9 and 10, bit code 3, unsigned); 1- and 4-bit
/// files are expanded into fresh storage, one byte per pixel holding the index scaled to a
/// grey level (0/255 and index × 17), rows padded to 4 bytes. The palette is empty; no
/// pixelStore or unpack field is set, the rows match GL's default unpack alignment of 4.
/// False, with the record untouched, for a compressed file, a width or height that is not
/// positive, and a pixel array shorter than the rows the headers describe; false after the
/// palette has been cleared for a bit count other than 1, 4, 8, 24 and 32.
bool grBmpToImage(grImage2D& image, const grBmpFile& file);

} // namespace libgr
