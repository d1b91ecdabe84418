// Image records for the format and record tests, described by their codes and size only.
#pragma once

#include "libgr/image_record.h"

#include <cstdint>

inline libgr::grImage2D image2D(int layout, int kind, int code, std::uint32_t w, std::uint32_t h) {
    libgr::grImage2D image;
    image.layout = layout;
    image.numberKind = kind;
    image.bitCode = code;
    image.width = w;
    image.height = h;
    return image;
}
