// Colour spaces in the files' own words: JPEG's APP2 ICC segments put together, and the
// profiles that HEIF's nclx codes name.
#include "colour.h"

#include <algorithm>
#include <cstring>

namespace libphoto::detail {

namespace {

// Longest profile taken: far beyond the largest real ones (printer profiles of a few MB).
constexpr std::size_t kMaxProfileBytes = std::size_t{8} << 20;

} // namespace

std::vector<unsigned char> jpegIccProfile(const unsigned char* jpeg, std::size_t size) {
    static const char kName[12] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
    struct Part {
        const unsigned char* data;
        std::size_t size;
    };
    std::vector<Part> parts;
    int count = 0;
    std::size_t at = 2, total = 0;
    while (at + 4 <= size && jpeg[at] == 0xFF) {
        const unsigned marker = jpeg[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) // the scan or the end: no more headers
            break;
        const std::size_t length = std::size_t{jpeg[at + 2]} << 8 | jpeg[at + 3];
        if (length < 2 || length > size - at - 2)
            break;
        const unsigned char* body = jpeg + at + 4;
        const std::size_t bodySize = length - 2;
        if (marker == 0xE2 && bodySize > 14 && std::memcmp(body, kName, 12) == 0) {
            const int seq = body[12];
            if (count == 0)
                count = body[13];
            if (seq < 1 || seq > count || body[13] != count)
                return {};
            parts.resize(static_cast<std::size_t>(count), Part{nullptr, 0});
            if (parts[seq - 1].data != nullptr)
                return {};
            parts[seq - 1] = {body + 14, bodySize - 14};
            total += bodySize - 14;
        }
        at += 2 + length;
    }
    std::vector<unsigned char> icc;
    if (parts.empty() || total > kMaxProfileBytes)
        return icc;
    icc.reserve(total);
    for (const Part& p : parts) {
        if (p.data == nullptr)
            return {};
        icc.insert(icc.end(), p.data, p.data + p.size);
    }
    return icc;
}

std::vector<unsigned char> nclxProfile(int primaries, int transfer) {
    double gamma = 0;
    switch (transfer) {
    case 1:    // BT.709
    case 2:    // unspecified
    case 6:    // BT.601
    case 13:   // sRGB
    case 14:   // BT.2020, 10-bit
    case 15:   // BT.2020, 12-bit
        break; // shown through the sRGB curve, as displays do
    case 4:
        gamma = 1 / 2.2;
        break;
    case 5:
        gamma = 1 / 2.8;
        break;
    case 8:
        gamma = 1;
        break;
    default:
        return {}; // HDR and other transfers: shown as decoded
    }
    static const double kBt2020[8] = {0.3127, 0.3290, 0.708, 0.292, 0.170, 0.797, 0.131, 0.046};
    static const double kP3[8] = {0.3127, 0.3290, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060};
    static const double kDci[8] = {0.314, 0.351, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060};
    const double* p = nullptr;
    switch (primaries) {
    case 9:
        p = kBt2020;
        break;
    case 11:
        p = kDci;
        break;
    case 12:
        p = kP3;
        break;
    default:
        break; // BT.709 (sRGB's own), unspecified and the rest: sRGB's primaries
    }
    if (p == nullptr && gamma == 0)
        return {};
    return rgbProfile(p, gamma);
}

} // namespace libphoto::detail
