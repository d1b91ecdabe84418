// Every pixel description, resolved, sized and uploaded to the real GL: the rows that resolve
// (with the compressed internal format), bits per pixel, the bytes an upload reads with and
// without unpack fields, the row stride, and whether GL took a 4×4 image of them must match
// tests/data/pixel_formats.txt.
#include "libgr/extensions.h"
#include "libgr/texture_image.h"

#include "gl_context.h"
#include "golden.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

using namespace libgr;

namespace {

const grPixelStore kAlign2{GL_FALSE, 2};

std::string dumpFormats() {
    testgl::ensureContext();
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    testgl::drainErrors();
    std::ostringstream got;
    // One step beyond every valid range on each side: those must not resolve.
    for (int layout = -1; layout <= grLayoutColorIndex + 1; ++layout)
        for (int kind = -1; kind <= grKindFloat + 1; ++kind)
            for (int code = -1; code <= grPacked1555Rev + 1; ++code) {
                grGLFormat f, packed, plain;
                hasTextureCompression = 0; // compress changes nothing without the extension
                if (!resolveFormat(f, layout, kind, code, true))
                    continue;
                hasTextureCompression = 1;
                resolveFormat(packed, layout, kind, code, true);
                resolveFormat(plain, layout, kind, code, false);
                EXPECT_EQ(f.internalFormat, plain.internalFormat);
                grImage2D im;
                im.layout = layout;
                im.numberKind = kind;
                im.bitCode = code;
                im.width = 4;
                im.height = 4;
                const std::size_t bytes = uploadByteCount(im, f, 4);
                const std::vector<unsigned char> data(bytes < 4096 ? bytes : 0);
                glTexImage2D(GL_TEXTURE_2D, 0, GLint(f.internalFormat), 4, 4, 0, f.format, f.type,
                             data.data());
                got << layout << " " << kind << " " << code << ": " << std::hex << f.internalFormat
                    << " " << f.format << " " << f.type << " compressed " << packed.internalFormat
                    << std::dec << " bits " << bitsPerPixel(layout, code) << " bytes " << bytes
                    << " error " << testgl::drainErrors();
                // 3×2 at (1, 2) of rows 5 wide; alignment 3 is no GL alignment (counted as 8),
                // then the record's own 2 wins over the 8 in force.
                im.width = 3;
                im.height = 2;
                im.rowLength = 5;
                im.skipPixels = 1;
                im.skipRows = 2;
                got << " unpacked " << uploadByteCount(im, f, 3);
                im.pixelStore = &kAlign2;
                got << " " << uploadByteCount(im, f, 8) << " stride " << im.rowStride();
                grImage1D one; // 5 pixels after 2 skipped
                one.width = 5;
                one.skipPixels = 2;
                grImage3D three; // images of 3 rows of 4, the second and third of them
                three.width = 3;
                three.height = 2;
                three.depth = 2;
                three.rowLength = 4;
                three.imageHeight = 3;
                three.skipImages = 1;
                got << " 1D " << uploadByteCount(one, f, 4) << " 3D "
                    << uploadByteCount(three, f, 4) << "\n";
            }
    hasTextureCompression = 0;
    glDeleteTextures(1, &name);
    return got.str();
}

} // namespace

TEST(FormatsGL, EveryCodeResolvesAsRecordedAndUploads) {
    expectCases("pixel_formats.txt", [](const std::string&) { return dumpFormats(); });
}
