// Pictures as phones and the web keep them, made in the test with the libraries' own encoders
// (libheif's HEVC and AV1 encoders, libwebp and its muxer) and colour spaces made with Little
// CMS: decoded back and checked for colour in sRGB, alpha, orientation and size. PNG's and
// JPEG's colour chunks and segments beside them. Grids of HEVC tiles, put together from
// libheif's own tiles, against libheif's own decode of the whole grid.
#if PLUVINA_PHOTO_HEIF && PLUVINA_PHOTO_WEBP && PLUVINA_PHOTO_COLOUR
#include "photo_files.h"

#include "heif.h"
#include "heif_boxes.h"
#include "libphoto/photo.h"
#include "records.h"

#include <lcms2.h>
#include <libheif/heif.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <cmath>
#include <functional>
#include <thread>

using libgr::grImage2D;
using namespace photos;

namespace {

// The colours every picture shows, in sRGB; quadrant D is half transparent where alpha is.
const std::array<Pixel, 4> kPhoneColours = {Pixel{200, 100, 50, 255}, Pixel{60, 160, 90, 255},
                                            Pixel{40, 70, 180, 255}, Pixel{230, 230, 230, 128}};

// The bytes of `profile`, which is closed.
Bytes savedAndClosed(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    Bytes bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

Bytes p3Profile() {
    const cmsCIExyY white{0.3127, 0.3290, 1};
    const cmsCIExyYTRIPLE p3{{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
    const double srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    Bytes bytes = savedAndClosed(cmsCreateRGBProfile(&white, &p3, curves));
    cmsFreeToneCurve(curve);
    return bytes;
}

// RGBA samples from sRGB into the space of `icc`.
void intoProfile(Bytes& rgba, const Bytes& icc) {
    cmsHPROFILE from = cmsCreate_sRGBProfile();
    cmsHPROFILE to = cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size()));
    cmsHTRANSFORM t = cmsCreateTransform(from, TYPE_RGBA_8, to, TYPE_RGBA_8,
                                         INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_COPY_ALPHA);
    cmsDoTransform(t, rgba.data(), rgba.data(), static_cast<cmsUInt32Number>(rgba.size() / 4));
    cmsDeleteTransform(t);
    cmsCloseProfile(from);
    cmsCloseProfile(to);
}

// The upright 64 × 32 picture as stored under `orientation`, RGBA, in the space of `icc`.
Picture stored(int orientation, bool alpha, const Bytes& icc) {
    std::array<Pixel, 4> colours = kPhoneColours;
    colours[3][3] = alpha ? 128 : 255;
    const bool swap = orientation >= 5;
    Picture p = quadrants(swap ? 32 : 64, swap ? 64 : 32, kStored[orientation], colours, 4);
    if (!icc.empty())
        intoProfile(p.samples, icc);
    return p;
}

// The file `mux` assembles; frees the mux and the encoder's `coded` image.
Bytes assembled(WebPMux* mux, std::uint8_t* coded) {
    WebPData out{};
    EXPECT_EQ(WebPMuxAssemble(mux, &out), WEBP_MUX_OK);
    Bytes bytes(out.bytes, out.bytes + out.size);
    WebPDataClear(&out);
    WebPMuxDelete(mux);
    WebPFree(coded);
    return bytes;
}

heif_error appendBytes(heif_context*, const void* data, size_t size, void* out) {
    auto* b = static_cast<Bytes*>(out);
    b->insert(b->end(), static_cast<const unsigned char*>(data),
              static_cast<const unsigned char*>(data) + size);
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
}

// With `nclxP3`, the colour space said by nclx codes (Display P3) instead of a profile.
Bytes heifFile(const Picture& p, heif_compression_format format, int orientation, const Bytes& icc,
               bool nclxP3 = false) {
    heif_image* image = nullptr;
    heif_image_create(p.width, p.height, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, &image);
    heif_image_add_plane(image, heif_channel_interleaved, p.width, p.height, 8);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < p.height; ++y)
        std::memcpy(plane + y * stride, &p.samples[std::size_t(y) * p.width * 4], p.width * 4);
    if (!icc.empty())
        heif_image_set_raw_color_profile(image, "prof", icc.data(), icc.size());
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    EXPECT_EQ(heif_context_get_encoder_for_format(ctx, format, &encoder).code, heif_error_Ok);
    heif_encoder_set_lossy_quality(encoder, 95);
    heif_encoder_set_parameter(encoder, "chroma", "444");
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = static_cast<heif_orientation>(orientation);
    heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
    nclx->color_primaries = heif_color_primaries_SMPTE_EG_432_1;
    if (nclxP3)
        heif_image_set_nclx_color_profile(image, nclx);
    EXPECT_EQ(heif_context_encode_image(ctx, image, encoder, options, nullptr).code, heif_error_Ok);
    Bytes out;
    heif_writer writer{1, appendBytes};
    heif_context_write(ctx, &writer, &out);
    heif_encoding_options_free(options);
    heif_nclx_color_profile_free(nclx);
    heif_encoder_release(encoder);
    heif_image_release(image);
    heif_context_free(ctx);
    return out;
}

Bytes webpFile(const Picture& p, bool lossless, int orientation, const Bytes& icc) {
    std::uint8_t* coded = nullptr;
    const std::size_t size =
        lossless ? WebPEncodeLosslessRGBA(p.samples.data(), p.width, p.height, p.width * 4, &coded)
                 : WebPEncodeRGBA(p.samples.data(), p.width, p.height, p.width * 4, 95, &coded);
    const WebPData image{coded, size};
    WebPMux* mux = WebPMuxCreate(&image, 1);
    const Bytes tiff = exif(orientation, false);
    const WebPData exifChunk{tiff.data(), tiff.size()}, iccChunk{icc.data(), icc.size()};
    if (orientation != 1)
        WebPMuxSetChunk(mux, "EXIF", &exifChunk, 1);
    if (!icc.empty())
        WebPMuxSetChunk(mux, "ICCP", &iccChunk, 1);
    return assembled(mux, coded);
}

// An animation on an 80 × 48 canvas whose first frame is the picture at (8, 8).
Bytes webpAnimation(const Picture& p) {
    WebPMux* mux = WebPMuxNew();
    WebPMuxSetCanvasSize(mux, 80, 48);
    const WebPMuxAnimParams loop{0, 0};
    WebPMuxSetAnimationParams(mux, &loop);
    std::uint8_t* coded = nullptr;
    const std::size_t size =
        WebPEncodeLosslessRGBA(p.samples.data(), p.width, p.height, p.width * 4, &coded);
    for (int i = 0; i < 2; ++i) {
        WebPMuxFrameInfo frame{{coded, size},         8 + 8 * i,         8, 100, WEBP_CHUNK_ANMF,
                               WEBP_MUX_DISPOSE_NONE, WEBP_MUX_NO_BLEND, {}};
        EXPECT_EQ(WebPMuxPushFrame(mux, &frame, 1), WEBP_MUX_OK);
    }
    return assembled(mux, coded);
}

using namespace libphoto::detail;

// libheif's own HEVC coding of `p` as a tile: its properties and bytes, read back.
HeifItemOut codedTile(const Picture& p, heif_compression_format format) {
    const Bytes file = heifFile(p, format, 1, {});
    HeifBoxes boxes;
    EXPECT_FALSE(readHeifBoxes(file.data(), file.size(), boxes));
    const HeifItem& item = *boxes.item(boxes.primary);
    HeifItemOut tile;
    tile.type = item.type;
    tile.data = heifItemBytes(file.data(), item);
    for (const HeifAssociation& a : item.properties) {
        const auto box = file.begin() + boxes.properties[a.index].box.offset;
        tile.properties.push_back(
            {Bytes(box, box + boxes.properties[a.index].box.size), a.essential});
    }
    return tile;
}

// A property box: its type and body.
Bytes property(std::uint32_t type, const Bytes& body) {
    Bytes box;
    put(box, static_cast<std::uint32_t>(8 + body.size()), 4, true);
    put(box, type, 4, true);
    box.insert(box.end(), body.begin(), body.end());
    return box;
}

// The picture libheif decodes from a whole file, as a BGRA record.
grImage2D libheifDecode(const Bytes& file) {
    heif_context* ctx = heif_context_alloc();
    heif_context_read_from_memory_without_copy(ctx, file.data(), file.size(), nullptr);
    heif_image_handle* handle = nullptr;
    heif_context_get_primary_image_handle(ctx, &handle);
    heif_image* image = nullptr;
    EXPECT_EQ(
        heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr)
            .code,
        heif_error_Ok);
    int stride = 0;
    const std::uint8_t* rgb =
        heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    grImage2D out;
    makeRecord(out, libgr::grLayoutBGRA, heif_image_get_width(image, heif_channel_interleaved),
               heif_image_get_height(image, heif_channel_interleaved));
    const View rows = viewOf(out);
    for (std::uint32_t y = 0; y < rows.height; ++y)
        for (std::uint32_t x = 0; x < rows.width; ++x)
            for (int c = 0; c < 4; ++c)
                rows.row(y)[x * 4 + c] = c == 3 ? 255 : rgb[y * stride + x * 3 + 2 - c];
    heif_image_release(image);
    heif_image_handle_release(handle);
    heif_context_free(ctx);
    return out;
}

grImage2D decoded(const Bytes& file, std::uint32_t longest = 0, bool exif = true) {
    libphoto::PhotoOptions options;
    options.longestSide = longest;
    options.applyOrientation = exif;
    grImage2D image;
    EXPECT_TRUE(libphoto::decodePhotoMemory(file.data(), file.size(), options, image))
        << libphoto::photoFailureReason();
    return image;
}

} // namespace

TEST(PhoneFormats, ColourAlphaAndOrientation) {
    const Bytes p3 = p3Profile();
    const Bytes none;
    const auto hevc = [](const Picture& p, int o, const Bytes& icc) {
        return heifFile(p, heif_compression_HEVC, o, icc);
    };
    const auto av1 = [](const Picture& p, int o, const Bytes& icc) {
        return heifFile(p, heif_compression_AV1, o, icc);
    };
    const auto av1Nclx = [](const Picture& p, int o, const Bytes&) {
        return heifFile(p, heif_compression_AV1, o, {}, true);
    };
    const auto lossy = [](const Picture& p, int o, const Bytes& icc) {
        return webpFile(p, false, o, icc);
    };
    const auto lossless = [](const Picture& p, int o, const Bytes& icc) {
        return webpFile(p, true, o, icc);
    };
    struct Case {
        const char* name;
        std::function<Bytes(const Picture&, int, const Bytes&)> make;
        libphoto::PhotoKind kind;
        int orientation;
        bool alpha;
        const Bytes* icc;
        std::uint32_t longest;
        int tolerance;
    } cases[] = {
        {"HEIC", hevc, libphoto::PhotoKind::Heif, 1, false, &none, 0, 5},
        {"HEIC turned, P3, alpha", hevc, libphoto::PhotoKind::Heif, 6, true, &p3, 0, 5},
        {"HEIC mirrored", hevc, libphoto::PhotoKind::Heif, 4, false, &none, 0, 5},
        {"AVIF turned, P3, alpha", av1, libphoto::PhotoKind::Avif, 8, true, &p3, 0, 5},
        {"AVIF, nclx P3", av1Nclx, libphoto::PhotoKind::Avif, 1, false, &p3, 0, 5},
        {"WebP lossy, P3", lossy, libphoto::PhotoKind::Webp, 1, false, &p3, 0, 8},
        {"WebP lossy, alpha, scaled", lossy, libphoto::PhotoKind::Webp, 1, true, &none, 16, 8},
        {"WebP lossless, EXIF turned, P3", lossless, libphoto::PhotoKind::Webp, 5, true, &p3, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = c.make(stored(c.orientation, c.alpha, *c.icc), c.orientation, *c.icc);
        EXPECT_EQ(libphoto::sniffPhoto(file.data(), file.size()), c.kind);
        const grImage2D image = decoded(file, c.longest);
        const std::uint32_t w = c.longest ? c.longest : 64;
        ASSERT_EQ(image.width, w);
        ASSERT_EQ(image.height, w / 2);
        for (int q = 0; q < 4; ++q) {
            Pixel want = kPhoneColours[q];
            want[3] = q == 3 && c.alpha ? 128 : 255;
            expectNear(pixelAt(image, w / 4 + q % 2 * w / 2, w / 8 + q / 2 * w / 4), want,
                       c.tolerance);
        }
    }
    // Hostile: every kind cut short is refused with a reason; an animation's canvas claiming
    // 16383 x 16383 is refused before anything of its size exists.
    Bytes claim = webpAnimation(stored(1, false, none));
    for (const int at : {24, 27})
        claim.insert(claim.erase(claim.begin() + at, claim.begin() + at + 3), {0xFE, 0x3F, 0});
    for (const Case& c : cases) {
        Bytes cut = c.make(stored(1, c.alpha, *c.icc), 1, *c.icc);
        cut.resize(cut.size() * 2 / 3);
        grImage2D refused;
        EXPECT_FALSE(libphoto::decodePhotoMemory(cut.data(), cut.size(), {}, refused)) << c.name;
        EXPECT_STRNE(libphoto::photoFailureReason(), "") << c.name;
    }
    grImage2D refused;
    EXPECT_FALSE(libphoto::decodePhotoMemory(claim.data(), claim.size(), {}, refused));
    EXPECT_EQ(libphoto::photoError().code(), libgr::grErrc::tooManyPixels);
    // An animation's first frame on its transparent canvas.
    const grImage2D first = decoded(webpAnimation(stored(1, false, none)));
    ASSERT_EQ(first.width, 80u);
    ASSERT_EQ(first.height, 48u);
    EXPECT_EQ(pixelAt(first, 7, 16)[3], 0);
    expectNear(pixelAt(first, 8, 8), kPhoneColours[0], 1);
    expectNear(pixelAt(first, 8 + 16, 8 + 8), kPhoneColours[0], 1);
    expectNear(pixelAt(first, 8 + 48, 8 + 24), {230, 230, 230, 255}, 1);
}

// A grid of 3 × 2 HEVC tiles of 64 × 64 shown as 150 × 100 (the last row and column cut),
// decoded a row of tiles at a time and turned by the road: the same as libheif's own decode of
// the whole grid. Damaged grids are refused with a reason.
TEST(PhoneFormats, GridTileByTile) {
    std::vector<HeifItemOut> tiles, av1;
    for (int t = 0; t < 6; ++t) {
        const Picture p = quadrants(64, 64, kStored[1 + t], kPhoneColours, 4);
        tiles.push_back(codedTile(p, heif_compression_HEVC));
        av1.push_back(codedTile(p, heif_compression_AV1));
    }
    const HeifItemOut narrow =
        codedTile(quadrants(32, 64, "ABCD", kPhoneColours, 4), heif_compression_HEVC);
    using Items = std::vector<HeifItemOut>;
    // Each tile's properties and bytes, behind the grid item (its description in idat).
    const auto grid = [&](std::vector<Bytes> turns, const std::function<void(Items&)>& change) {
        HeifItemOut g{fourcc("grid"), {}, {0, 0, 1, 2, 0, 150, 0, 100}, true, {}};
        g.properties.push_back(
            {property(fourcc("ispe"), {0, 0, 0, 0, 0, 0, 0, 150, 0, 0, 0, 100}), 0});
        for (Bytes& t : turns)
            g.properties.push_back({t, true});
        for (std::uint16_t id = 2; id < 8; ++id)
            g.derivedFrom.push_back(id);
        Items items{g};
        items.insert(items.end(), tiles.begin(), tiles.end());
        change(items);
        return writeHeif(fourcc("heic"), items);
    };
    const auto irot = [](std::uint8_t turns) { return property(fourcc("irot"), {turns}); };
    const auto imir = [](std::uint8_t axis) { return property(fourcc("imir"), {axis}); };
    const struct {
        const char* name;
        std::vector<Bytes> turns;
        int orientation;
        std::uint32_t longest;
        bool exif = true; // the EXIF orientation applied: a grid's turns go either way
        bool av1 = false; // AV1 tiles instead of HEVC ones
    } cases[] = {
        {"as stored", {}, 1, 0},
        {"a quarter anticlockwise", {irot(1)}, 8, 0},
        {"a quarter anticlockwise, EXIF turns off", {irot(1)}, 8, 0, false},
        {"AV1 tiles, a quarter anticlockwise", {irot(1)}, 8, 0, true, true},
        // libheif reads axis 0 as top and bottom swapped, 1 as left and right.
        {"three quarters, then left-right", {irot(3), imir(1)}, 5, 0},
        {"a quarter, then top-bottom", {irot(1), imir(0)}, 5, 0},
        {"top-bottom, then a quarter", {imir(0), irot(1)}, 7, 0},
        {"top-bottom", {imir(0)}, 4, 0},
        {"half a turn, scaled", {irot(2)}, 3, 60},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = grid(c.turns, [&](Items& i) {
            if (c.av1)
                std::copy(av1.begin(), av1.end(), i.begin() + 1);
        });
        ProbeInfo info;
        ASSERT_FALSE(makeHeifSource(file.data(), file.size())->probe(info, limitsOf({})));
        EXPECT_EQ(info.orientation, c.orientation);
        EXPECT_EQ(info.width, 150u);
        EXPECT_LT(info.bufferedBytes, 150u * 100 * 9);
        const grImage2D image = decoded(file, c.longest, c.exif);
        grImage2D want = libheifDecode(file);
        if (c.longest != 0) {
            ASSERT_TRUE(libphoto::resamplePhoto(want, image.width, image.height, want));
        }
        ASSERT_EQ(image.width, want.width);
        ASSERT_EQ(image.height, want.height);
        int differ = 0;
        for (std::uint32_t y = 0; y < want.height; ++y)
            for (std::uint32_t x = 0; x < want.width; ++x)
                differ += pixelAt(image, x, y) != pixelAt(want, x, y);
        EXPECT_EQ(differ, 0);
    }
    // Refused by the box reader; then left to libheif whole, which refuses all but the last.
    const struct {
        const char* name;
        std::function<void(Items&)> change;
        std::size_t cut;
        bool shown;
    } hostile[] = {
        {"a tile too few", [](Items& i) { i[0].derivedFrom.pop_back(); }, 0, false},
        {"tiles of two sizes", [&](Items& i) { i[3] = narrow; }, 0, false},
        {"the description cut short", [](Items& i) { i[0].data.resize(6); }, 0, false},
        {"256 × 256 tiles", [](Items& i) { i[0].data[2] = i[0].data[3] = 255; }, 0, false},
        {"tile bytes beyond the end", [](Items&) {}, 200, false},
        {"a tile of another kind", [](Items& i) { i[4].type = fourcc("av01"); }, 0, false},
        {"tiles too few to cover it", [](Items& i) { i[0].data[5] = 200; }, 0, false},
        {"one tile named six times",
         [](Items& i) {
             i.resize(2);
             i[0].derivedFrom.assign(6, 2);
         },
         0, true},
    };
    for (const auto& h : hostile) {
        SCOPED_TRACE(h.name);
        Bytes file = grid({}, h.change);
        file.resize(file.size() - h.cut);
        HeifBoxes boxes;
        HeifGrid g;
        EXPECT_TRUE(readHeifBoxes(file.data(), file.size(), boxes) ||
                    heifGridOf(file.data(), file.size(), boxes, 1 << 20, g));
        grImage2D image;
        EXPECT_EQ(libphoto::decodePhotoMemory(file.data(), file.size(), {}, image), h.shown);
        EXPECT_EQ(*libphoto::photoFailureReason() == '\0', h.shown);
    }
    // Cut anywhere before its boxes end, a file is refused by the box reader.
    const Bytes file = grid({irot(1)}, [](Items&) {});
    for (std::size_t n = 0; n < 400; ++n) {
        const Bytes cut(file.begin(), file.begin() + n);
        HeifBoxes boxes;
        EXPECT_TRUE(readHeifBoxes(cut.data(), cut.size(), boxes)) << n;
    }
}

// What the colour chunks of PNG and the APP2 segments of JPEG make of the stored samples.
TEST(PhoneFormats, PngAndJpegColourSpaces) {
    const Bytes p3 = p3Profile();
    std::vector<std::uint16_t> grey(256);
    for (int v = 0; v < 256; ++v)
        grey[v] = static_cast<std::uint16_t>(v);
    const auto srgbOf = [](double light) {
        const double s =
            light <= 0.0031308 ? 12.92 * light : 1.055 * std::pow(light, 1 / 2.4) - 0.055;
        return static_cast<int>(std::lround(255 * s));
    };
    // A 256-pixel grey ramp with chunks set through the encoder.
    const auto ramp = [&](const std::function<void(spng_ctx*)>& chunks) {
        return png({SPNG_COLOR_TYPE_GRAYSCALE, 8, 0, {}, {}}, 256, 1, grey, {}, chunks);
    };
    // gAMA, and a grey ICC profile of the same curve (light = sample^2).
    cmsToneCurve* square = cmsBuildGamma(nullptr, 2.0);
    Bytes greyIcc = savedAndClosed(cmsCreateGrayProfile(cmsD50_xyY(), square));
    cmsFreeToneCurve(square);
    spng_iccp greyIccp{"grey", greyIcc.size(), reinterpret_cast<char*>(greyIcc.data())};
    for (const double gamma : {2.5, 0.35, 0.5, -0.5}) {
        SCOPED_TRACE(gamma);
        const grImage2D image = decoded(ramp([&](spng_ctx* c) {
            if (gamma > 0)
                spng_set_gama(c, gamma);
            else
                spng_set_iccp(c, &greyIccp);
        }));
        for (int v = 0; v < 256; v += 5)
            EXPECT_NEAR(pixelAt(image, v, 0)[1], srgbOf(std::pow(v / 255.0, 1 / std::abs(gamma))),
                        1)
                << v;
    }
    // sRGB wins over gAMA; a damaged profile is passed over: the samples as stored.
    Bytes junk(300, 7);
    spng_iccp badIccp{"junk", junk.size(), reinterpret_cast<char*>(junk.data())};
    const auto srgbAndGamma = [](spng_ctx* c) {
        spng_set_srgb(c, 0);
        spng_set_gama(c, 2.5);
    };
    for (const Bytes& file :
         {ramp(srgbAndGamma), ramp([&](spng_ctx* c) { spng_set_iccp(c, &badIccp); })}) {
        const grImage2D image = decoded(file);
        for (int v = 0; v < 256; v += 5)
            EXPECT_EQ(pixelAt(image, v, 0)[1], v);
    }
    // One P3 colour through every way of saying P3: iCCP, cHRM, JPEG's APP2 in two parts
    // stored out of order; a JPEG whose parts are inconsistent shows the stored colour.
    Picture one = quadrants(16, 16, "AAAA", kPhoneColours, 4);
    intoProfile(one.samples, p3);
    std::vector<std::uint16_t> samples(one.samples.begin(), one.samples.end());
    spng_iccp iccp{"P3", p3.size(), reinterpret_cast<char*>(const_cast<unsigned char*>(p3.data()))};
    spng_chrm chrm{0.3127, 0.3290, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060};
    const auto withApp2 = [&](std::initializer_list<int> order, int count) {
        Bytes file = jpeg(one, TJPF_RGBA, TJSAMP_444);
        const std::size_t half = p3.size() / 2;
        for (const int part : order) {
            Bytes app2{0xFF, 0xE2, 0, 0, 'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
            app2.insert(app2.end(), {std::uint8_t(part), std::uint8_t(count)});
            app2.insert(app2.end(), p3.begin() + (part == 1 ? 0 : half),
                        part == 1 ? p3.begin() + half : p3.end());
            app2[2] = std::uint8_t((app2.size() - 2) >> 8);
            app2[3] = std::uint8_t(app2.size() - 2);
            file.insert(file.begin() + 2, app2.begin(), app2.end());
        }
        return file;
    };
    const Pixel storedColour{one.samples[0], one.samples[1], one.samples[2], 255};
    const struct {
        Bytes file;
        Pixel want;
    } p3Cases[] = {
        {png({6, 8, 0, {}, {}}, 16, 16, samples), storedColour},
        {png({6, 8, 0, {}, {}}, 16, 16, samples, {}, [&](spng_ctx* c) { spng_set_iccp(c, &iccp); }),
         kPhoneColours[0]},
        {png({6, 8, 0, {}, {}}, 16, 16, samples, {}, [&](spng_ctx* c) { spng_set_chrm(c, &chrm); }),
         kPhoneColours[0]},
        {withApp2({1, 2}, 2), kPhoneColours[0]},
        {withApp2({1, 2}, 3), storedColour},
    };
    // On two threads at once, through the conversions both make and share.
    const auto decodeAll = [&] {
        for (const auto& c : p3Cases)
            expectNear(pixelAt(decoded(c.file), 8, 8), c.want, 3);
    };
    std::thread other(decodeAll);
    decodeAll();
    other.join();
}
#endif
