// The unpack rules of the texture upload: sizes of GL's pixel formats and types, the
// pixel-store calls that tell GL how a record's bytes are laid out, and the bytes GL reads
// for a record under its unpack addressing.
#pragma once

#include "libgr/image_record.h"

#include <GL/gl.h>

#include <cstddef>

namespace libgr {

/// Components of a GL pixel format (0 for formats not listed, GL_STENCIL_INDEX included).
int formatComponents(GLenum format);
/// Bytes of a plain GL pixel type (GL_BITMAP counts 1; packed and unknown types 0).
int typeSize(GLenum type);
/// GL type for a component size in bytes: 1, 2, 4 (GL_FLOAT), 8 (GL_DOUBLE); else 0.
GLenum typeForSize(int bytes);

/// Whether GL accepts `alignment` for GL_UNPACK_ALIGNMENT: 1, 2, 4 or 8.
bool isUnpackAlignment(int alignment);

/// Null: nothing. Else GL_UNPACK_SWAP_BYTES, then GL_UNPACK_ALIGNMENT.
void applyPixelStore(const grPixelStore* store);
/// GL_UNPACK_SKIP_PIXELS.
void applyUnpack(const grImage1D& image);
/// GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_PIXELS, GL_UNPACK_SKIP_ROWS.
void applyUnpack(const grImage2D& image);
/// GL_UNPACK_ROW_LENGTH, GL_UNPACK_IMAGE_HEIGHT, GL_UNPACK_SKIP_PIXELS, GL_UNPACK_SKIP_ROWS,
/// GL_UNPACK_SKIP_IMAGES.
void applyUnpack(const grImage3D& image);

///@{
/// Bytes, counted from the view's first byte, that a glTexImage/gluBuildMipmaps call with
/// `fmt` would read for this record after applyPixelStore and applyUnpack: honours the
/// record's unpack fields, packed types and GL_BITMAP's bits. `unpackAlignment` is the
/// GL_UNPACK_ALIGNMENT in force before the record's pixelStore is applied (4 unless changed);
/// a pixelStore with a valid alignment (1, 2, 4, 8) replaces it. Compressed records: the
/// view's byte count. 0 for an empty image; SIZE_MAX on overflow, for negative unpack fields
/// and for formats or types it does not know. An upload is safe when the result is at most
/// pixels.size().
std::size_t uploadByteCount(const grImage1D& image, const grGLFormat& fmt, int unpackAlignment);
std::size_t uploadByteCount(const grImage2D& image, const grGLFormat& fmt, int unpackAlignment);
std::size_t uploadByteCount(const grImage3D& image, const grGLFormat& fmt, int unpackAlignment);
///@}

///@{
/// Whether the record's view holds every byte GL reads for it with `fmt`: uploadByteCount at
/// most pixels.size(). Reads GL_UNPACK_ALIGNMENT from the current context unless the record's
/// pixelStore sets a valid one, so call it after applyPixelStore, on the GL thread.
bool viewHoldsUpload(const grImage1D& image, const grGLFormat& fmt);
bool viewHoldsUpload(const grImage2D& image, const grGLFormat& fmt);
bool viewHoldsUpload(const grImage3D& image, const grGLFormat& fmt);
///@}

} // namespace libgr
