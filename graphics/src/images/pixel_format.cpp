// The pixel-format rules: bits per pixel and the resolution of the library's codes into GL's
// internal format, pixel format and type.
#include "libgr/pixel_format.h"

#include <GL/glext.h>

namespace libgr {

// ---------------------------------------------------------------------------------------------
// Pixel sizes

namespace {

constexpr int kLayoutCount = grLayoutColorIndex + 1;

// Components per layout, as the upload reads them (colour index: one index per pixel).
constexpr int kComponents[kLayoutCount] = {1, 2, 1, 1, 1, 1, 1, 3, 4, 3, 4, 1, 3, 4, 2, 1};

} // namespace

int componentCount(int layout) {
    return layout < 0 || layout >= kLayoutCount ? 0 : kComponents[layout];
}

namespace {

bool packsFourBitComponents(int layout) {
    return layout == grLayoutRGBA || layout == grLayoutRGBAAlt || layout == grLayoutBGRA;
}

} // namespace

int bitsPerPixel(int layout, int bitCode) {
    switch (bitCode) {
    case grPacked332:
        return 8;
    case grPacked565:
    case grPacked5551:
    case grPacked1555Rev:
        return 16;
    case grBits8Pad8:
    case grPacked1010102:
        return 32;
    case grPackedLum6Alpha2:
        return 16; // luminance and alpha, a byte each
    case grPackedLum12Alpha4:
        return 32; // luminance and alpha, a 16-bit word each
    default:
        break;
    }
    if (layout < 0 || layout >= kLayoutCount)
        return 0;
    const int components = kComponents[layout];
    switch (bitCode) {
    case grBits1:
        return components;
    case grBits2:
        return components * 2;
    case grBits4:
        return packsFourBitComponents(layout) ? components * 4 : components * 8;
    case grBits8:
        return components * 8;
    case grBits12:
    case grBits16:
        return components * 16;
    case grBits24:
        return layout == grLayoutDepth ? 32 : components * 24;
    case grBits32:
        return components * 32;
    case grBits64:
        return components * 64;
    default:
        return 0;
    }
}

// ---------------------------------------------------------------------------------------------
// Format resolution

namespace {

constexpr GLenum kLayoutFormat[kLayoutCount] = {
    GL_LUMINANCE,  GL_LUMINANCE_ALPHA, GL_INTENSITY, GL_RED,  GL_GREEN,
    GL_BLUE,       GL_ALPHA,           GL_RGB,       GL_RGBA, GL_BGR,
    GL_BGRA,       GL_DEPTH_COMPONENT, GL_RGB,       GL_RGBA, GL_RGB,
    GL_COLOR_INDEX};

// Internal formats for the integer kinds, by layout and by bit code grBits1..grBits32 (0 = no
// row). The alternative RGB and RGBA layouts repeat their rows; grLayoutRGBPair has none;
// packed codes are handled apart.
constexpr GLenum kIntegerInternal[kLayoutCount][grBits32 + 1] = {
    /* luminance */
    {GL_LUMINANCE, 0, GL_LUMINANCE4, GL_LUMINANCE8, GL_LUMINANCE12, GL_LUMINANCE16, 0,
     GL_LUMINANCE},
    /* luminance-alpha */
    {GL_LUMINANCE_ALPHA, 0, GL_LUMINANCE4_ALPHA4, GL_LUMINANCE8_ALPHA8, GL_LUMINANCE12_ALPHA12,
     GL_LUMINANCE16_ALPHA16, 0, GL_LUMINANCE_ALPHA},
    /* intensity */
    {GL_INTENSITY, 0, GL_INTENSITY4, GL_INTENSITY8, GL_INTENSITY12, GL_INTENSITY16, 0,
     GL_INTENSITY},
    // Single colour channels. GL_RED is a valid internal format; GL_GREEN and GL_BLUE are
    // not, so those keep their channel in an RGB texture.
    /* red */ {GL_RED, 0, 0, GL_RED, 0, GL_RED, 0, GL_RED},
    /* green */ {GL_RGB, 0, 0, GL_RGB, 0, GL_RGB, 0, GL_RGB},
    /* blue */ {GL_RGB, 0, 0, GL_RGB, 0, GL_RGB, 0, GL_RGB},
    /* alpha */ {GL_ALPHA, 0, GL_ALPHA4, GL_ALPHA, GL_ALPHA12, GL_ALPHA16, 0, GL_ALPHA},
    /* RGB */ {GL_RGB, 0, GL_RGB4, GL_RGB8, GL_RGB12, GL_RGB16, 0, GL_RGB},
    /* RGBA */ {GL_RGBA, 0, GL_RGBA4, GL_RGBA8, GL_RGBA12, GL_RGBA16, 0, GL_RGBA},
    /* BGR */ {0, 0, 0, GL_RGB, 0, 0, 0, 0},
    /* BGRA */ {0, 0, GL_RGB4, GL_RGBA, 0, 0, 0, 0},
    /* depth */ {0, 0, 0, 0, 0, 0, 0, 0},
    /* RGB alt */ {GL_RGB, 0, GL_RGB4, GL_RGB8, GL_RGB12, GL_RGB16, 0, GL_RGB},
    /* RGBA alt */ {GL_RGBA, 0, GL_RGBA4, GL_RGBA8, GL_RGBA12, GL_RGBA16, 0, GL_RGBA},
    /* RGB pair */ {0, 0, 0, 0, 0, 0, 0, 0},
    /* colour index */ {GL_RGB, 0, 0, GL_RGB, 0, 0, 0, 0},
};

// Packed rows for the integer kinds: internal format and pixel type (0 = no row).
bool packedRow(int layout, int numberKind, int bitCode, GLenum& internal, GLenum& type,
               GLenum& format) {
    const bool rgb = layout == grLayoutRGB || layout == grLayoutRGBAlt;
    const bool bgr = layout == grLayoutBGR;
    const bool rgba = packsFourBitComponents(layout); // RGBA, its alternative and BGRA
    switch (bitCode) {
    case grPacked332:
        if (!(rgb || bgr))
            return false;
        internal = GL_R3_G3_B2;
        // GL packs 3-3-2 only with GL_RGB; blue-first order is the reversed packing.
        type = bgr ? GL_UNSIGNED_BYTE_2_3_3_REV : GL_UNSIGNED_BYTE_3_3_2;
        break;
    case grPacked565:
        if (!(rgb || bgr))
            return false;
        // Not GL_RGB5: five bits a component would drop green's sixth.
        internal = GL_RGB8;
        type = bgr ? GL_UNSIGNED_SHORT_5_6_5_REV : GL_UNSIGNED_SHORT_5_6_5;
        break;
    case grPacked5551:
        if (!rgba)
            return false;
        internal = GL_RGB5_A1;
        type = GL_UNSIGNED_SHORT_5_5_5_1;
        break;
    case grPacked1010102:
        if (!rgba)
            return false;
        internal = GL_RGB10_A2;
        type = GL_UNSIGNED_INT_10_10_10_2;
        break;
    case grPackedLum6Alpha2:
        if (layout != grLayoutLuminanceAlpha)
            return false;
        internal = GL_LUMINANCE6_ALPHA2;
        type = numberKind == grKindSigned ? GL_BYTE : GL_UNSIGNED_BYTE;
        break;
    case grBits8Pad8:
        if (!(rgb || bgr))
            return false;
        internal = GL_RGB;
        type = GL_UNSIGNED_BYTE;
        format = bgr ? GL_BGRA : GL_RGBA;
        return true;
    case grPacked1555Rev:
        if (!(rgb || bgr || rgba))
            return false;
        internal = rgba ? GL_RGB5_A1 : GL_RGB5;
        type = GL_UNSIGNED_SHORT_1_5_5_5_REV;
        format = bgr || layout == grLayoutBGRA ? GL_BGRA : GL_RGBA;
        return true;
    case grPackedLum12Alpha4:
        if (layout != grLayoutLuminanceAlpha)
            return false;
        internal = GL_LUMINANCE12_ALPHA4;
        // No GL type packs 12 + 4 bits into one 16-bit pixel for luminance-alpha: each
        // component gets its own 16-bit word, as the 12-bit components of code 4 do.
        type = numberKind == grKindSigned ? GL_SHORT : GL_UNSIGNED_SHORT;
        break;
    default:
        return false;
    }
    if (bgr)
        format = GL_RGB;
    return true;
}

bool integerType(int layout, int numberKind, int bitCode, GLenum& type) {
    const bool isSigned = numberKind == grKindSigned;
    switch (bitCode) {
    case grBits1:
        if (isSigned)
            return false;
        type = GL_BITMAP;
        return true;
    case grBits4:
        if (packsFourBitComponents(layout)) {
            type = GL_UNSIGNED_SHORT_4_4_4_4;
            return true;
        }
        type = isSigned ? GL_BYTE : GL_UNSIGNED_BYTE;
        return true;
    case grBits8:
        type = isSigned ? GL_BYTE : GL_UNSIGNED_BYTE;
        return true;
    case grBits12:
    case grBits16:
        type = isSigned ? GL_SHORT : GL_UNSIGNED_SHORT;
        return true;
    case grBits32:
        type = isSigned ? GL_INT : GL_UNSIGNED_INT;
        return true;
    default:
        return false;
    }
}

bool floatRow(int layout, int bitCode, GLenum& internal, GLenum& type) {
    if (layout == grLayoutDepth) {
        // Depth values: 16-bit and 24-bit (in 32-bit words) fixed point, 32-bit float.
        switch (bitCode) {
        case grBits16:
            internal = GL_DEPTH_COMPONENT16;
            type = GL_UNSIGNED_SHORT;
            return true;
        case grBits24:
            internal = GL_DEPTH_COMPONENT24;
            type = GL_UNSIGNED_INT;
            return true;
        case grBits32:
            internal = GL_DEPTH_COMPONENT32;
            type = GL_FLOAT;
            return true;
        default:
            return false;
        }
    }
    if (!(layout <= grLayoutRGBA || layout == grLayoutRGBAlt || layout == grLayoutRGBAAlt))
        return false;
    if (bitCode != grBits16 && bitCode != grBits32)
        return false;
    internal = kLayoutFormat[layout];
    if (layout == grLayoutGreen || layout == grLayoutBlue)
        internal = GL_RGB;
    type = bitCode == grBits16 ? GL_HALF_FLOAT : GL_FLOAT;
    return true;
}

} // namespace

bool resolvePixelFormat(grGLFormat& out, int layout, int numberKind, int bitCode, bool compress,
                        bool compressionAvailable) {
    if (layout < 0 || layout >= kLayoutCount)
        return false;
    // Intensity is an internal format only; its pixels arrive as luminance.
    out.format = layout == grLayoutIntensity ? GL_LUMINANCE : kLayoutFormat[layout];
    if (layout == grLayoutRGBPair)
        return false;

    GLenum internal = 0;
    GLenum type = 0;
    if (numberKind == grKindFloat) {
        if (!floatRow(layout, bitCode, internal, type))
            return false;
    } else if (numberKind == grKindSigned || numberKind == grKindUnsigned) {
        if (bitCode >= grPacked332) {
            if (!packedRow(layout, numberKind, bitCode, internal, type, out.format))
                return false;
        } else {
            if (bitCode < grBits1 || bitCode > grBits32)
                return false;
            internal = kIntegerInternal[layout][bitCode];
            if (internal == 0)
                return false;
            // The colour-index rows exist for unsigned indices only.
            if (layout == grLayoutColorIndex && numberKind == grKindSigned)
                return false;
            if (!integerType(layout, numberKind, bitCode, type))
                return false;
        }
    } else {
        return false;
    }

    if (compress && compressionAvailable && internal == GL_ALPHA)
        internal = GL_COMPRESSED_ALPHA_ARB;
    out.internalFormat = internal;
    out.type = type;
    return true;
}

bool supportsGenerateMipmap(GLenum internalFormat) {
    switch (internalFormat) {
    case GL_RGB:
    case GL_RGBA:
    case GL_RGB5:
    case GL_RGB8:
    case GL_RGBA8:
    case GL_BGR:
    case GL_BGRA:
        return true;
    default:
        return false;
    }
}
} // namespace libgr
