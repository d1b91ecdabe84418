// Colour management through Little CMS: one private context whose errors are kept quiet (a
// damaged profile is skipped, not reported), transforms to sRGB made once per colour space
// and kept, and profiles made from chromaticities and a gamma.
#include "colour.h"

#include "libgr/image_record.h"

#include "curve.h"

#include <lcms2.h>
#include <lcms2_plugin.h>

#include <algorithm>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <string>

namespace libphoto::detail {

namespace {

// Longest profile taken: far beyond the largest real ones (printer profiles of a few MB).
constexpr std::size_t kMaxProfileBytes = std::size_t{8} << 20;
// Transforms kept for the pictures that follow.
constexpr std::size_t kCachedTransforms = 8;

void quiet(cmsContext, cmsUInt32Number, const char*) {}

// The library's own context: its error handler must not be anyone else's.
cmsContext context() {
    static const cmsContext ctx = [] {
        cmsContext c = cmsCreateContext(nullptr, nullptr);
        if (c != nullptr)
            cmsSetLogErrorHandlerTHR(c, quiet);
        return c;
    }();
    return ctx;
}

struct ProfileCloser {
    void operator()(void* p) const { cmsCloseProfile(p); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

// Matrix-shaper profiles (nearly every photograph's: Display P3, Adobe RGB, sRGB itself, and
// those made from PNG's and HEIF's own words) take the arithmetic Little CMS's transform
// does for them, from the profiles' own curves and colorants: a curve a channel into linear
// light, one matrix into sRGB's primaries, sRGB's curve out; in tables and fixed point, some
// times faster than the general transform on the same rows.
struct MatrixShaper {
    std::uint16_t toLinear[3][256]; // red, green, blue: a byte to linear light, 0 to 65535
    std::int64_t matrix[3][3];      // sRGB's red, green, blue from the picture's, × 2^14

    // Builds the tables of `from` into `to`; false unless both are matrix-shapers.
    bool make(cmsHPROFILE from, cmsHPROFILE to) {
        const cmsTagSignature colorants[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                              cmsSigBlueColorantTag};
        const cmsTagSignature curves[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
        if (!cmsIsMatrixShaper(from) || !cmsIsMatrixShaper(to))
            return false;
        cmsMAT3 in, out, outInverse, both;
        for (int c = 0; c < 3; ++c) {
            const auto* a = static_cast<const cmsCIEXYZ*>(cmsReadTag(from, colorants[c]));
            const auto* b = static_cast<const cmsCIEXYZ*>(cmsReadTag(to, colorants[c]));
            const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(from, curves[c]));
            if (a == nullptr || b == nullptr || curve == nullptr)
                return false;
            const double xyzIn[3] = {a->X, a->Y, a->Z}, xyzOut[3] = {b->X, b->Y, b->Z};
            for (int row = 0; row < 3; ++row) {
                in.v[row].n[c] = xyzIn[row];
                out.v[row].n[c] = xyzOut[row];
            }
            for (int v = 0; v < 256; ++v) {
                const float lin = cmsEvalToneCurveFloat(curve, v / 255.0f);
                toLinear[c][v] = static_cast<std::uint16_t>(
                    std::lround(std::clamp(static_cast<double>(lin), 0.0, 1.0) * 65535));
            }
        }
        if (!_cmsMAT3inverse(&out, &outInverse))
            return false;
        _cmsMAT3per(&both, &outInverse, &in);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                matrix[r][c] = std::llround(both.v[r].n[c] * 16384);
        return true;
    }

    void apply(unsigned char* bgra, std::uint32_t width) const {
        const unsigned char* fromLinear = Curves::get().fromLinear;
        for (std::uint32_t x = 0; x < width; ++x, bgra += 4) {
            const std::int64_t rgb[3] = {toLinear[0][bgra[2]], toLinear[1][bgra[1]],
                                         toLinear[2][bgra[0]]};
            for (int c = 0; c < 3; ++c) {
                const std::int64_t v = (matrix[c][0] * rgb[0] + matrix[c][1] * rgb[1] +
                                        matrix[c][2] * rgb[2] + 8192) >>
                                       14;
                bgra[2 - c] = fromLinear[std::clamp<std::int64_t>(v, 0, 65535)];
            }
        }
    }
};

// A conversion into sRGB, ready to use from any thread: for an RGB profile the matrix-shaper
// tables or a Little CMS transform, for a grey one a table of 256 values each of a grey
// picture's three equal components goes through; `identity` when it changes no colour.
struct Conversion {
    cmsHTRANSFORM transform = nullptr;
    bool matrixShaper = false;
    MatrixShaper tables;
    std::vector<unsigned char> greyTable; // a grey profile's: 256 values
    bool identity = false;
    ~Conversion() {
        if (transform != nullptr)
            cmsDeleteTransform(transform);
    }
    // Converts `width` BGRA pixels in place; alpha is left as it is.
    void apply(unsigned char* bgra, std::uint32_t width) const {
        if (matrixShaper)
            tables.apply(bgra, width);
        else
            cmsDoTransform(transform, bgra, bgra, width);
    }
};

// A profile from chromaticities (null: sRGB's) and a gamma (0: sRGB's curve).
Profile makeRgbProfile(const double* chromaticities, double gamma) {
    static const double srgb[8] = {0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06};
    const double* p = chromaticities != nullptr ? chromaticities : srgb;
    for (int i = 0; i < 8; ++i)
        if (!(p[i] > 0 && p[i] < 1))
            return nullptr;
    cmsContext ctx = context();
    const cmsCIExyY white{p[0], p[1], 1};
    const cmsCIExyYTRIPLE rgb{{p[2], p[3], 1}, {p[4], p[5], 1}, {p[6], p[7], 1}};
    cmsToneCurve* curve = nullptr;
    if (gamma > 0) {
        // The stated value is the encoding exponent; the profile's curve decodes.
        if (!(gamma > 0.01 && gamma < 100))
            return nullptr;
        curve = cmsBuildGamma(ctx, 1.0 / gamma);
    } else {
        static const double kSrgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
        curve = cmsBuildParametricToneCurve(ctx, 4, kSrgbCurve);
    }
    if (curve == nullptr)
        return nullptr;
    cmsToneCurve* curves[3] = {curve, curve, curve};
    Profile profile(cmsCreateRGBProfileTHR(ctx, &white, &rgb, curves));
    cmsFreeToneCurve(curve);
    return profile;
}

Profile openProfile(const ColourInfo& colour) {
    if (colour.icc.empty())
        return makeRgbProfile(nullptr, colour.gamma);
    if (colour.icc.size() > kMaxProfileBytes)
        return nullptr;
    return Profile(cmsOpenProfileFromMemTHR(context(), colour.icc.data(),
                                            static_cast<cmsUInt32Number>(colour.icc.size())));
}

// Whether `c` leaves every colour of a grid over the cube, and every grey, as it is.
bool changesNothing(const Conversion& c) {
    std::vector<unsigned char> in, out;
    for (int b = 0; b < 256; b += 17)
        for (int g = 0; g < 256; g += 17)
            for (int r = 0; r < 256; r += 17)
                in.insert(in.end(), {static_cast<unsigned char>(b), static_cast<unsigned char>(g),
                                     static_cast<unsigned char>(r), 255});
    for (int v = 0; v < 256; ++v) {
        in.insert(in.end(), 3, static_cast<unsigned char>(v));
        in.push_back(255);
    }
    out = in;
    c.apply(out.data(), static_cast<std::uint32_t>(out.size() / 4));
    return in == out;
}

std::shared_ptr<const Conversion> makeConversion(const ColourInfo& colour) {
    Profile from = openProfile(colour);
    if (from == nullptr)
        return nullptr;
    cmsContext ctx = context();
    Profile srgb(cmsCreate_sRGBProfileTHR(ctx));
    if (srgb == nullptr)
        return nullptr;
    auto c = std::make_shared<Conversion>();
    // The profile's header says what it likes here: held as a number, never as the enum, whose
    // type holds only the spaces it names.
    const cmsUInt32Number space = cmsGetColorSpace(from.get());
    // No one-pixel cache: the transform is shared by every decoding thread. Rows are
    // converted in place, so alpha, which the transform does not write, stays as it is.
    const cmsUInt32Number flags = cmsFLAGS_NOCACHE;
    const int intent = INTENT_RELATIVE_COLORIMETRIC;
    if (space == cmsSigRgbData) {
        c->matrixShaper = c->tables.make(from.get(), srgb.get());
        if (!c->matrixShaper)
            c->transform = cmsCreateTransformTHR(ctx, from.get(), TYPE_BGRA_8, srgb.get(),
                                                 TYPE_BGRA_8, intent, flags);
        if (!c->matrixShaper && c->transform == nullptr)
            return nullptr;
        c->identity = changesNothing(*c);
        return c;
    }
    if (space == cmsSigGrayData) {
        // A grey picture's rows hold its grey three times: each goes through one table.
        cmsHTRANSFORM t = cmsCreateTransformTHR(ctx, from.get(), TYPE_GRAY_8, srgb.get(),
                                                TYPE_BGR_8, intent, cmsFLAGS_NOCACHE);
        if (t == nullptr)
            return nullptr;
        unsigned char ramp[256], out[256 * 3];
        for (int v = 0; v < 256; ++v)
            ramp[v] = static_cast<unsigned char>(v);
        cmsDoTransform(t, ramp, out, 256);
        cmsDeleteTransform(t);
        c->greyTable.resize(256);
        for (int v = 0; v < 256; ++v)
            c->greyTable[v] = out[3 * v + 1];
    } else {
        return nullptr; // CMYK, Lab and the rest
    }
    c->identity = true;
    for (int v = 0; v < 256 && c->identity; ++v)
        c->identity = c->greyTable[v] == v;
    return c;
}

// The key a conversion is kept under: everything that decides it, byte for byte.
std::string keyOf(const ColourInfo& colour) {
    std::string key;
    key.append(reinterpret_cast<const char*>(&colour.gamma), sizeof colour.gamma);
    key.append(colour.icc.begin(), colour.icc.end());
    return key;
}

// The conversion for `colour`, made at most once while it stays among the last few used; null
// when it cannot be made.
std::shared_ptr<const Conversion> conversionFor(const ColourInfo& colour) {
    struct Entry {
        std::string key;
        std::shared_ptr<const Conversion> conversion;
    };
    static std::mutex mutex;
    static std::list<Entry> cache; // most recently used first
    std::string key = keyOf(colour);
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (auto it = cache.begin(); it != cache.end(); ++it) {
            if (it->key == key) {
                cache.splice(cache.begin(), cache, it);
                return cache.front().conversion;
            }
        }
    }
    // Made outside the lock: a profile may take a while, and another thread's picture need
    // not wait for it. Two threads making the same one at once keep the first.
    std::shared_ptr<const Conversion> made = makeConversion(colour);
    std::lock_guard<std::mutex> lock(mutex);
    for (const Entry& e : cache)
        if (e.key == key)
            return e.conversion;
    cache.push_front({std::move(key), made});
    if (cache.size() > kCachedTransforms)
        cache.pop_back();
    return made;
}

} // namespace

bool convertToSrgb(const ColourInfo& colour, std::int32_t layout, unsigned char* top,
                   std::ptrdiff_t stride, std::uint32_t width, std::uint32_t height) {
    if (!needsConversion(colour))
        return true;
    // Every source that reads colour facts delivers BGRA.
    const std::shared_ptr<const Conversion> c =
        layout == libgr::grLayoutBGRA ? conversionFor(colour) : nullptr;
    if (c == nullptr)
        return false;
    if (c->identity)
        return true;
    for (std::uint32_t y = 0; y < height; ++y) {
        unsigned char* row = top + static_cast<std::ptrdiff_t>(y) * stride;
        if (c->greyTable.empty()) {
            c->apply(row, width);
            continue;
        }
        for (std::uint32_t x = 0; x < width; ++x, row += 4)
            for (int i = 0; i < 3; ++i)
                row[i] = c->greyTable[row[i]];
    }
    return true;
}

std::vector<unsigned char> rgbProfile(const double* chromaticities, double gamma) {
    const Profile profile = makeRgbProfile(chromaticities, gamma);
    cmsUInt32Number bytes = 0;
    if (profile == nullptr || !cmsSaveProfileToMem(profile.get(), nullptr, &bytes))
        return {};
    std::vector<unsigned char> icc(bytes);
    if (!cmsSaveProfileToMem(profile.get(), icc.data(), &bytes))
        return {};
    icc.resize(bytes);
    return icc;
}

} // namespace libphoto::detail
