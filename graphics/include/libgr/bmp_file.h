// The BMP reader: the packed BMP header records, grBmpFile (the headers, colour table and
// pixel array of a file, read once into one shared byte storage and seen through typed views)
// and grBmpToImage, which describes a loaded file's pixels as a 2D image record, sharing the
// file's bytes where GL can read them as they stand and decoding them once otherwise.
//
// Supported: info headers of 12 (OS/2 1.x, 3-byte palette entries), 16 to 64 (OS/2 2.x), 40,
// 52, 56, 108 and 124 bytes; 1-, 2-, 4- and 8-bit paletted files, uncompressed or RLE8/RLE4;
// 16- and 32-bit files, uncompressed or with bit fields (BI_BITFIELDS, BI_ALPHABITFIELDS);
// 24-bit files; rows stored bottom-up or top-down (uncompressed only). Everything else, and
// every file that lies in its headers, is refused with a reason (grBmpFailureReason).
//
// Usage:
//     grBmpFile file;
//     grImage2D image;
//     if (!file.load(path) || !grBmpToImage(image, file))
//         report(path, grBmpFailureReason());
#pragma once

#include "libgr/error.h"
#include "libgr/image_record.h"
#include "libgr/refvector.h"
#include "libutils/platform.h"

#include <cstddef>
#include <cstdint>

namespace libgr {

#pragma pack(push, 1)
/// The 14-byte header that opens a BMP file, as stored (little-endian).
struct tagBITMAPFILEHEADER {
    std::uint16_t bfType;      ///< "BM" in a well-formed file
    std::uint32_t bfSize;      ///< the file's size in bytes, as the file claims it
    std::uint16_t bfReserved1; ///< unused
    std::uint16_t bfReserved2; ///< unused
    std::uint32_t bfOffBits;   ///< byte offset of the pixel array from the start of the file
};

/// The 40-byte info header, the first fields of every longer version, as stored.
struct tagBITMAPINFOHEADER {
    std::uint32_t biSize;         ///< the header's own size in bytes, which tells its version
    std::int32_t biWidth;         ///< pixels per row
    std::int32_t biHeight;        ///< negative for rows stored top to bottom
    std::uint16_t biPlanes;       ///< 1; the reader refuses any other count
    std::uint16_t biBitCount;     ///< bits per pixel
    std::uint32_t biCompression;  ///< a grBmpCompression value
    std::uint32_t biSizeImage;    ///< bytes of the pixel array; may be 0 when uncompressed
    std::int32_t biXPelsPerMeter; ///< horizontal resolution; not used
    std::int32_t biYPelsPerMeter; ///< vertical resolution; not used
    std::uint32_t biClrUsed;      ///< colour-table entries; 0 means as many as the bit count allows
    std::uint32_t biClrImportant; ///< entries needed to show the image; not used
};

/// One colour-table entry of the 40-byte and later headers.
struct tagRGBQUAD {
    std::uint8_t rgbBlue;     ///< blue intensity
    std::uint8_t rgbGreen;    ///< green intensity
    std::uint8_t rgbRed;      ///< red intensity
    std::uint8_t rgbReserved; ///< unused
};
#pragma pack(pop)

static_assert(sizeof(tagBITMAPFILEHEADER) == 14, "BMP file header is 14 packed bytes");
static_assert(sizeof(tagBITMAPINFOHEADER) == 40, "BMP info header is 40 packed bytes");
static_assert(sizeof(tagRGBQUAD) == 4, "BMP colour-table entry is 4 bytes");

/// biCompression values the reader takes.
enum grBmpCompression : std::uint32_t {
    grBmpRGB = 0,            ///< uncompressed
    grBmpRLE8 = 1,           ///< run-length encoded 8-bit indices
    grBmpRLE4 = 2,           ///< run-length encoded 4-bit indices
    grBmpBitFields = 3,      ///< 16- or 32-bit pixels with red, green, blue masks
    grBmpAlphaBitFields = 6, ///< as grBmpBitFields with an alpha mask after them
};

/// Most pixels a file may describe (8192 × 8192, at most 256 MiB decoded): larger images are
/// refused before any of their pixel bytes are read or any storage is obtained for them.
constexpr std::uint64_t grBmpMaxPixels = std::uint64_t{1} << 26;

/// What load understood of a file's headers, whatever their version.
struct grBmpInfo {
    std::uint32_t headerSize = 0;         ///< biSize (12 for the OS/2 1.x core header)
    std::uint32_t width = 0;              ///< pixels per row
    std::uint32_t height = 0;             ///< positive; the storage holds the rows bottom-up
    std::uint16_t bitCount = 0;           ///< bits per pixel, as in the file
    std::uint32_t compression = grBmpRGB; ///< grBmpAlphaBitFields is reported as grBmpBitFields
    /// Red, green, blue and alpha masks of a 16- or 32-bit pixel: the file's bit fields, or
    /// the defaults of its bit count (5-5-5 or 8-8-8). Alpha 0: the picture is opaque.
    std::uint32_t masks[4] = {0, 0, 0, 0};
    std::uint32_t paletteCount = 0;      ///< usable colour-table entries (paletted files)
    std::uint32_t paletteEntryBytes = 4; ///< 3 in OS/2 1.x files (blue, green, red)
    std::uint32_t paletteOffset = 0;     ///< byte offset of the colour table in the storage
};

/// A BMP file in memory. load reads the headers first, then only the colour table and the
/// bytes the pixel array needs (a longer file's tail, and any gap between the table and the
/// pixels, is never read). After a successful load the four views share one storage, laid out
/// as a BMP file itself: fileHeader at byte 0 (1 element), infoHeader at 14 (1 element, or
/// none when the file's info header is smaller than 40 bytes), colorTable after the headers
/// and bit-field masks (its 4-byte entries; none for OS/2 1.x files, whose 3-byte entries
/// `info` describes), and bits right after the table, running to the end of the storage. The
/// stored bfOffBits and height are patched to match: a top-down uncompressed file has had its
/// rows put bottom-up, so every reader sees a bottom-up image.
class grBmpFile {
public:
    ofsvector<tagBITMAPFILEHEADER> fileHeader; ///< the file header, with bfOffBits patched
    ofsvector<tagBITMAPINFOHEADER> infoHeader; ///< the info header, with biHeight patched
    ofsvector<tagRGBQUAD> colorTable;          ///< the 4-byte colour-table entries
    ofsvector<unsigned char> bits;             ///< the pixel array, rows bottom-up
    grBmpInfo info;                            ///< what load understood of the headers

    /// Reads the file at `path` and places the views. Only a regular file is opened: a FIFO,
    /// a device or a directory is refused at once, without waiting or reading from it. False,
    /// with the object unchanged and grBmpFailureReason() saying why, when the file is not a
    /// regular file, cannot be opened or read, is too short
    /// for its headers or for the pixel array they describe, has a header version, bit count,
    /// compression, plane count or bit-field masks the reader does not take, dimensions that
    /// are zero, negative or above `maxPixels` (never more than grBmpMaxPixels; checked
    /// before any storage is obtained), a top-down compressed pixel array, no
    /// colour table where one is needed or one declared larger than the bit count allows, or a
    /// pixel array that starts inside its headers.
    /// bfType is not examined.
    bool load(const char* path, std::uint64_t maxPixels = grBmpMaxPixels);

    /// As load, from `size` bytes at `data` (a whole file in memory, not kept after the
    /// call): the same checks, the same views over fresh storage. `maxPixels` is the caller's
    /// own limit (the bytes are already in memory, so grBmpMaxPixels does not cap it).
    bool read(const unsigned char* data, std::size_t size, std::uint64_t maxPixels);
};

/// Describes the pixels of a loaded file in `image` (unpack fields 0, palette empty, rows
/// bottom-up; pixelStore points at a static record of the rows' alignment: 4 for the file's
/// own rows, 1 for decoded ones, which are not padded):
///  - shared with the file's bytes, no copy: 24-bit (BGR); 32-bit with 8-bit masks in
///    blue-green-red or red-green-blue byte order (alpha kept when the header declares an
///    alpha mask in the fourth byte, else an opaque texture); 16-bit 5-6-5, and 5-5-5 with
///    or without a 1-bit alpha mask (their rows go to GL under 2-byte alignment, an odd
///    width's padding given as the row length);
///  - decoded once into fresh storage: paletted files become their colours (BGR; one grey
///    byte a pixel when every colour of the table is grey), RLE files become BGRA with the
///    pixels the stream never writes (delta moves, early end of line or bitmap) transparent
///    black, other bit-field masks become BGR, or BGRA when there is an alpha mask.
/// An alpha mask under which every pixel is 0 counts as absent: the picture is opaque.
/// False, with the record untouched and grBmpFailureReason() saying why, when the file is not
/// loaded, an RLE stream runs past its row or the image, ends without an end-of-bitmap code
/// before the last row, or ends in the middle of a code, a pixel indexes beyond the colour
/// table, or memory is short.
bool grBmpToImage(grImage2D& image, const grBmpFile& file);

/// Why the last grBmpFile::load or grBmpToImage on this thread refused its input, in a few
/// words ("" when it succeeded). A static string: it stays valid for the life of the program.
const char* grBmpFailureReason();

/// The last failure of grBmpFile::load, grBmpFile::read or grBmpToImage on this thread, by
/// value: its code (grErrc::none after a success) and grBmpFailureReason's text.
grError grBmpError();

/// The code for why openRegularFile refused a path: grErrc::notRegular or grErrc::cannotOpen.
grErrc openRefusalCode(libutils::OpenRefusal refusal);

} // namespace libgr
