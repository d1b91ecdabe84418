// Every pixel description that resolves must be one the real GL accepts for a texture image.
#include "libgr/image_record.h"

#include "gl_context.h"
#include "gl_spy.h"
#include "test_images.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using namespace libgr;

TEST(FormatsGL, EveryResolvedFormatUploads) {
    testgl::ensureContext();
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    testgl::drainErrors();
    int uploaded = 0, bitmapRejected = 0;
    // One step beyond every valid range on each side: those must not resolve.
    for (int layout = -1; layout <= 16; ++layout)
        for (int kind = -1; kind <= 3; ++kind)
            for (int code = -1; code <= 17; ++code) {
                grGLFormat f, same;
                if (!resolveFormat(f, layout, kind, code, false))
                    continue;
                SCOPED_TRACE(::testing::Message() << "layout " << layout << " kind " << kind
                                                  << " code " << code << " format " << f.format);
                EXPECT_FALSE(layout == 14 || code == 1 || code == 8 ||
                             (code == 6 && !(layout == 11 && kind == 2)));
                if (layout == 12 || layout == 13) { // resolve exactly like 7 and 8
                    ASSERT_TRUE(resolveFormat(same, layout - 5, kind, code, false));
                    EXPECT_EQ(std::tie(f.internalFormat, f.format, f.type),
                              std::tie(same.internalFormat, same.format, same.type));
                }
                const std::size_t bytes = uploadByteCount(image2D(layout, kind, code, 4, 4), f, 4);
                ASSERT_TRUE(bytes > 0 && bytes < 4096) << bytes;
                const std::vector<unsigned char> data(bytes, 0);
                glTexImage2D(GL_TEXTURE_2D, 0, GLint(f.internalFormat), 4, 4, 0, f.format, f.type,
                             data.data());
                const bool rejected = f.type == GL_BITMAP && f.format != GL_COLOR_INDEX;
                EXPECT_EQ(testgl::drainErrors() != GL_NO_ERROR, rejected);
                bitmapRejected += rejected;
                uploaded += !rejected;
            }
    glDeleteTextures(1, &name);
    // 188 rows: integer kinds code 0 12, code 2 18, code 3 27, code 4 16, codes 5 and 7 22
    // each, packed 28, padded 8-bit 6, reversed 1-5-5-5 12; floating point 22 plus 3 depth.
    // GL_BITMAP pairs with the eleven non-index formats of code 0.
    EXPECT_EQ(bitmapRejected, 11);
    EXPECT_EQ(uploaded, 188 - 11);
}

TEST(FormatsGL, ByteCountAndUnpackSetUpMatchWhatGLReads) {
    // A record with its own alignment, row length and skips, uploaded from a buffer exactly
    // as long as counted: GL must hold every texel, the last one from the last counted byte.
    testgl::ensureContext();
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    const grPixelStore store{GL_FALSE, 1};
    grImage2D image = image2D(9, 1, 3, 3, 2); // BGR bytes
    image.pixelStore = &store;
    image.rowLength = 5;
    image.skipPixels = 1;
    image.skipRows = 1;
    grGLFormat f;
    ASSERT_TRUE(resolveFormat(f, image.layout, image.numberKind, image.bitCode, false));
    const std::size_t bytes = uploadByteCount(image, f, 4);
    ASSERT_EQ(bytes, 42u); // two strides of 15 bytes, then one skipped pixel and three pixels
    std::vector<unsigned char> data(bytes);
    for (std::size_t i = 0; i < bytes; ++i)
        data[i] = static_cast<unsigned char>(i);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    spy::start();
    applyPixelStore(nullptr);
    EXPECT_EQ(spy::count("glPixelStorei"), 0u);
    spy::stop();
    applyPixelStore(image.pixelStore);
    applyUnpack(image);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, 3, 2, 0, f.format, f.type, data.data());
    unsigned char texels[2][3][3] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGR, GL_UNSIGNED_BYTE, texels);
    glPopClientAttrib();
    ASSERT_EQ(testgl::drainErrors(), unsigned{GL_NO_ERROR});
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(texels[y][x][c], (1 + y) * 15 + (1 + x) * 3 + c) << y << x << c;
    glDeleteTextures(1, &name);
}
