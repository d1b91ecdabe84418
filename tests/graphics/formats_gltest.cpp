// Every pixel description that resolves must be one the real GL accepts for a texture image.
#include "libgr/image_record.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace libgr;

namespace {

std::string describe(int layout, int kind, int code, const grGLFormat& f) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "layout %d kind %d code %d -> internal 0x%X format 0x%X type 0x%X", layout, kind,
                  code, f.internalFormat, f.format, f.type);
    return text;
}

} // namespace

TEST(FormatsGL, EveryResolvedFormatUploads) {
    testgl::ensureContext();
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    testgl::drainErrors();

    int uploaded = 0;
    int bitmapRejected = 0;
    for (int layout = 0; layout <= 15; ++layout)
        for (int kind = 0; kind <= 2; ++kind)
            for (int code = 0; code <= 14; ++code) {
                grGLFormat f;
                if (!resolveFormat(f, layout, kind, code, false))
                    continue;
                grImage2D image;
                image.layout = layout;
                image.numberKind = kind;
                image.bitCode = code;
                image.width = 4;
                image.height = 4;
                const std::size_t bytes = uploadByteCount(image, f, 4);
                ASSERT_GT(bytes, 0u) << describe(layout, kind, code, f);
                ASSERT_LT(bytes, 4096u) << describe(layout, kind, code, f);
                std::vector<unsigned char> data(bytes, 0);
                glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(f.internalFormat), 4, 4, 0,
                             f.format, f.type, data.data());
                const unsigned error = testgl::drainErrors();
                if (f.type == GL_BITMAP && f.format != GL_COLOR_INDEX) {
                    EXPECT_NE(error, static_cast<unsigned>(GL_NO_ERROR))
                        << describe(layout, kind, code, f);
                    ++bitmapRejected;
                    continue;
                }
                EXPECT_EQ(error, static_cast<unsigned>(GL_NO_ERROR))
                    << describe(layout, kind, code, f);
                GLint width = 0;
                glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
                EXPECT_EQ(width, 4) << describe(layout, kind, code, f);
                ++uploaded;
            }
    glDeleteTextures(1, &name);
    // GL_BITMAP with the eleven non-index formats of code 0; every other row uploads.
    EXPECT_EQ(bitmapRejected, 11);
    EXPECT_EQ(uploaded, 170 - 11);
}

TEST(FormatsGL, UnpackSetUpReachesGL) {
    testgl::ensureContext();
    auto unpack = [](GLenum name) {
        GLint value = -1;
        glGetIntegerv(name, &value);
        return value;
    };
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    spy::start();
    applyPixelStore(nullptr);
    EXPECT_EQ(spy::count("glPixelStorei"), 0u);
    const grPixelStore store{GL_TRUE, 2};
    applyPixelStore(&store);
    grImage3D image;
    image.rowLength = 7;
    image.imageHeight = 6;
    image.skipPixels = 3;
    image.skipRows = 2;
    image.skipImages = 1;
    applyUnpack(image);
    spy::stop();
    const std::vector<spy::Call> calls = spy::callsOf("glPixelStorei");
    const GLenum order[] = {GL_UNPACK_SWAP_BYTES,   GL_UNPACK_ALIGNMENT,   GL_UNPACK_ROW_LENGTH,
                            GL_UNPACK_IMAGE_HEIGHT, GL_UNPACK_SKIP_PIXELS, GL_UNPACK_SKIP_ROWS,
                            GL_UNPACK_SKIP_IMAGES};
    ASSERT_EQ(calls.size(), 7u);
    for (std::size_t i = 0; i < 7; ++i)
        EXPECT_EQ(calls[i].args[0], order[i]) << i;
    EXPECT_EQ(unpack(GL_UNPACK_SWAP_BYTES), GL_TRUE);
    EXPECT_EQ(unpack(GL_UNPACK_ALIGNMENT), 2);
    EXPECT_EQ(unpack(GL_UNPACK_ROW_LENGTH), 7);
    EXPECT_EQ(unpack(GL_UNPACK_IMAGE_HEIGHT), 6);
    EXPECT_EQ(unpack(GL_UNPACK_SKIP_PIXELS), 3);
    EXPECT_EQ(unpack(GL_UNPACK_SKIP_ROWS), 2);
    EXPECT_EQ(unpack(GL_UNPACK_SKIP_IMAGES), 1);

    grImage2D flat;
    flat.rowLength = 9;
    flat.skipPixels = 4;
    flat.skipRows = 5;
    applyUnpack(flat);
    EXPECT_EQ(unpack(GL_UNPACK_ROW_LENGTH), 9);
    EXPECT_EQ(unpack(GL_UNPACK_SKIP_ROWS), 5);
    grImage1D line;
    line.skipPixels = 8;
    applyUnpack(line);
    EXPECT_EQ(unpack(GL_UNPACK_SKIP_PIXELS), 8);
    EXPECT_EQ(unpack(GL_UNPACK_ROW_LENGTH), 9); // 1D records leave the rest alone
    glPopClientAttrib();
    EXPECT_EQ(unpack(GL_UNPACK_ALIGNMENT), 4);
    EXPECT_EQ(testgl::drainErrors(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST(FormatsGL, ByteCountMatchesWhatGLReads) {
    // GL reads exactly the counted bytes: a pixel store with padding and skips, uploaded from
    // the end of a guarded buffer, must come back texel for texel.
    testgl::ensureContext();
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    grImage2D image;
    image.layout = 9; // BGR bytes
    image.numberKind = 1;
    image.bitCode = 3;
    image.width = 3;
    image.height = 2;
    image.rowLength = 5;
    image.skipPixels = 1;
    image.skipRows = 1;
    grGLFormat f;
    ASSERT_TRUE(resolveFormat(f, image.layout, image.numberKind, image.bitCode, false));
    const std::size_t bytes = uploadByteCount(image, f, 4);
    ASSERT_EQ(bytes, 44u); // two strides of 16 bytes, one skipped pixel and three pixels
    std::vector<unsigned char> data(bytes);
    for (std::size_t i = 0; i < bytes; ++i)
        data[i] = static_cast<unsigned char>(i);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    applyUnpack(image);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, 3, 2, 0, f.format, f.type, data.data());
    glPopClientAttrib();
    ASSERT_EQ(testgl::drainErrors(), static_cast<unsigned>(GL_NO_ERROR));
    unsigned char texels[2][3][3] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGR, GL_UNSIGNED_BYTE, texels);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(texels[y][x][c], (1 + y) * 16 + (1 + x) * 3 + c) << y << x << c;
    EXPECT_EQ(texels[1][2][2], bytes - 1); // the last byte counted is the last one read
    glDeleteTextures(1, &name);
}
