// Every upload path of the image textures, checked call by call and by what GL holds after:
// tests/data/texture_uploads.txt lists the cases, each followed by its GL calls (extension
// entry points included), the bound texture's level sizes, borders and texel checksum, and
// the GL error. A case line: "case NAME | KIND FLAGS SIZE COUNT*WxHxD/LAYOUT[/EXTRA]...".
// FLAGS (- for none): m b c mipmapped, border, compress; G C A 3 extensions found; n no
// compressed entry points; u update() after apply(); p k parameters, border colour. EXTRA:
// P/p palette of 256/3 entries, z compressed, s view a byte short, u unpack fields.
#include "libgr/extensions.h"
#include "libgr/texture_image.h"

#include "gl_context.h"
#include "gl_spy.h"
#include "golden.h"

#include <map>
#include <sstream>
#include <type_traits>

namespace spy {
void log(const char* name, std::vector<double> args, std::string text);
}

using namespace libgr;

namespace {

// Extension entry points are pointers, not linked symbols: a hook logs into the spy and
// forwards to the function the probe fetched.
template <auto* Slot, class R, class... A> struct Hook {
    static inline R (*real)(A...) = nullptr;
    static inline const char* name = nullptr;
    static R call(A... a) {
        auto number = [](auto v) {
            if constexpr (std::is_pointer_v<decltype(v)>)
                return spy::addr(v);
            else
                return double(v);
        };
        spy::log(name, {number(a)...}, {});
        return real(a...);
    }
};
template <auto* Slot, class R, class... A> R (*hook(R (*real)(A...), const char* name))(A...) {
    Hook<Slot, R, A...>::real = real;
    Hook<Slot, R, A...>::name = name;
    return &Hook<Slot, R, A...>::call;
}
#define HOOK(fn) hook<&fn>(fn, #fn)

const grPixelStore kTight{GL_FALSE, 1};

template <class Image> Image makeImage(const std::string& shape, int index) {
    static const std::map<std::string, int> layouts = {
        {"L", grLayoutLuminance}, {"A", grLayoutAlpha}, {"RGB", grLayoutRGB},
        {"RGBA", grLayoutRGBA},   {"BGR", grLayoutBGR}, {"RGBPair", grLayoutRGBPair}};
    Image im;
    std::uint32_t w = 0, h = 0, d = 0;
    char name[16] = {}, extra = ' ';
    std::sscanf(shape.c_str(), "%*d*%ux%ux%u/%15[A-Za-z]/%c", &w, &h, &d, name, &extra);
    if (!layouts.count(name))
        return im; // a default record
    im.layout = layouts.at(name);
    im.numberKind = grKindUnsigned;
    im.bitCode = grBits8;
    im.width = w;
    im.compressed = extra == 'z';
    if constexpr (!std::is_same_v<Image, grImage1D>)
        im.height = h;
    if constexpr (std::is_same_v<Image, grImage3D>)
        im.depth = d;
    if constexpr (std::is_same_v<Image, grImage2D>)
        if (extra == 'u') { // the 3×2 block at (1, 1) of a tightly packed 5-pixel-wide source
            im.pixelStore = &kTight;
            im.rowLength = 5;
            im.skipPixels = 1;
            im.skipRows = 1;
        }
    grGLFormat f;
    const bool ok = resolveFormat(f, im.layout, im.numberKind, im.bitCode, false);
    const std::size_t bytes = ok && !im.compressed ? uploadByteCount(im, f, 4) : 64;
    EXPECT_TRUE(im.pixels.create(std::uint32_t(bytes - (extra == 's'))));
    for (std::uint32_t i = 0; i < im.pixels.size(); ++i)
        im.pixels[i] = static_cast<unsigned char>(i * 7 + index * 31);
    if (extra == 'P' || extra == 'p')
        im.palette.resize(extra == 'P' ? 256 : 3);
    for (std::uint32_t i = 0; i < im.palette.count; ++i) { // red and green fall, blue at half
        im.palette.red[i] = std::uint16_t(0xFFFF - 0x100 * i);
        im.palette.green[i] = std::uint16_t(0xFFFF - 0x100 * i);
        im.palette.blue[i] = 0x8000;
    }
    return im;
}

// The extensions a case claims found, with hooked entry points (null where it says so).
// Not a template: the hooks are made once, around the functions the probes fetched.
void setExtensions(const std::string& flags) {
    auto has = [&](char f) { return flags.find(f) != std::string::npos; };
    static const bool probed = [] {
        probeTextureCompression();
        probeTexture3D();
        return true;
    }();
    static const auto c1 = HOOK(glCompressedTexImage1DARB);
    static const auto c2 = HOOK(glCompressedTexImage2DARB);
    static const auto c3 = HOOK(glCompressedTexImage3DARB);
    static const auto s2 = HOOK(glCompressedTexSubImage2DARB);
    static const auto t3 = HOOK(glTexImage3DEXT);
    static const auto s3 = HOOK(glTexSubImage3DEXT);
    glCompressedTexImage1DARB = has('n') ? nullptr : c1;
    glCompressedTexImage2DARB = has('n') ? nullptr : c2;
    glCompressedTexImage3DARB = c3;
    glCompressedTexSubImage2DARB = s2;
    glTexImage3DEXT = has('3') ? t3 : nullptr;
    glTexSubImage3DEXT = has('3') ? s3 : nullptr;
    hasGenerateMipmap = has('G');
    hasTextureCompression = has('C');
    hasAnisotropicFilter = has('A');
    (void)probed;
}

// Builds the case's texture, applies (or refreshes) it while the spy records, and answers
// the calls and what the bound texture holds afterwards.
template <class Texture, class Params>
std::string run(GLenum target, std::istringstream& words, Params params) {
    Texture t;
    std::string flags, shape;
    words >> flags >> t.size;
    auto has = [&](char f) { return flags.find(f) != std::string::npos; };
    for (int index = 0; words >> shape;)
        for (int n = std::atoi(shape.c_str()); n > 0; --n)
            t.images.push_back(makeImage<typename decltype(t.images)::value_type>(shape, index++));
    static const float colour[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    t.setMipmapped(has('m'));
    t.setBorder(has('b'));
    t.setCompress(has('c'));
    t.setParams(has('p') ? &params : nullptr);
    t.setBorderColor(has('k') ? colour : nullptr);
    setExtensions(flags);

    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(target, name);
    testgl::drainErrors();
    if (has('u'))
        t.apply();
    spy::start();
    has('u') ? t.update() : t.apply();
    spy::stop();
    std::ostringstream out;
    out.precision(12); // whole GLint values, never rounded
    for (const spy::Call& call : spy::calls()) {
        out << "  " << call.name << "(";
        for (std::size_t i = 0; i < call.args.size(); ++i) { // addresses: only null matters
            out << (i ? "," : "");
            call.args[i] >= spy::kAddressMark ? out << "p" : out << call.args[i];
        }
        out << ")\n";
    }
    // Level sizes, borders and a checksum of every texel of each face.
    const bool cube = target == GL_TEXTURE_CUBE_MAP;
    for (GLenum face = 0; face < (cube ? 6u : 1u); ++face) {
        const GLenum f = cube ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + face : target;
        std::uint32_t sum = 2166136261u;
        out << "  levels";
        for (GLint l = 0; l < 12; ++l) {
            GLint w = 0, h = 0, d = 0, b = 0;
            glGetTexLevelParameteriv(f, l, GL_TEXTURE_WIDTH, &w);
            glGetTexLevelParameteriv(f, l, GL_TEXTURE_HEIGHT, &h);
            glGetTexLevelParameteriv(f, l, GL_TEXTURE_DEPTH, &d);
            glGetTexLevelParameteriv(f, l, GL_TEXTURE_BORDER, &b);
            if (w == 0)
                continue;
            out << " " << l << ":" << w << "x" << h << "x" << d << "/" << b;
            std::vector<unsigned char> texels(std::size_t(w) * h * d * 4);
            glGetTexImage(f, l, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
            for (unsigned char v : texels)
                sum = (sum ^ v) * 16777619u;
        }
        out << " sum " << std::hex << sum << std::dec << "\n";
    }
    out << "  error " << testgl::drainErrors() << "\n";
    glDeleteTextures(1, &name);
    return out.str();
}

} // namespace

TEST(TextureUploadGL, EveryPathMatchesTheRecordedCallsAndResult) {
    testgl::ensureContext();
    // Anisotropy (applied only with 'A'): 4.9 truncates to 4; the 3D and cube values lie at
    // and beyond the ends of GLint.
    expectCases("texture_uploads.txt", [](const std::string& line) {
        std::istringstream words(line.substr(line.find(" | ") + 3));
        int kind = 0;
        words >> kind;
        const GLenum target = targetForKind(kind);
        if (kind == grKind1D)
            return run<grTexture1D>(target, words, grTexParams1D{GL_NEAREST, GL_LINEAR, GL_CLAMP});
        if (kind == grKind2D)
            return run<grTexture2D>(
                target, words,
                grTexParams2D{GL_LINEAR_MIPMAP_LINEAR, GL_NEAREST, GL_REPEAT, GL_CLAMP, 4.9f});
        if (kind == grKind3D)
            return run<grTexture3D>(
                target, words,
                grTexParams3D{GL_NEAREST, GL_LINEAR, GL_CLAMP, GL_REPEAT, GL_CLAMP, 2147483520.0f});
        return run<grTextureCubeMap>(target, words,
                                     grTexParamsCubeMap{GL_LINEAR, GL_NEAREST, -3e9f});
    });
    hasGenerateMipmap = hasTextureCompression = hasAnisotropicFilter = 0;
}

// 1-bit pixels: GL takes GL_BITMAP only as colour indices, so a 1-bit record of any other
// layout is left out before its first GL call, with a reason and no GL error; colour indices
// upload, through GLU too.
TEST(TextureUploadGL, OneBitPixelsUploadOnlyAsColourIndices) {
    testgl::ensureContext();
    for (int layout = grLayoutLuminance; layout <= grLayoutColorIndex; ++layout) {
        for (const bool mipmapped : {false, true}) {
            grImage2D im;
            im.layout = layout;
            im.numberKind = grKindUnsigned;
            im.bitCode = grBits1;
            im.width = 8;
            im.height = 8;
            ASSERT_TRUE(im.pixels.create(32));
            grTexture2D t;
            t.setMipmapped(mipmapped);
            t.setImage(im, 0, 0);
            GLuint name = 0;
            glGenTextures(1, &name);
            glBindTexture(GL_TEXTURE_2D, name);
            spy::start();
            t.apply();
            spy::stop();
            GLint width = 0;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
            glDeleteTextures(1, &name);
            const bool index = layout == grLayoutColorIndex;
            const bool noRow =
                (layout >= grLayoutBGR && layout <= grLayoutDepth) || layout == grLayoutRGBPair;
            const std::string reason = index   ? ""
                                       : noRow ? "pixel format codes without a GL format"
                                               : "1-bit pixels upload only as colour indices";
            SCOPED_TRACE("layout " + std::to_string(layout) + (mipmapped ? " mipmapped" : ""));
            EXPECT_EQ(testgl::drainErrors(), unsigned(GL_NO_ERROR));
            EXPECT_EQ(width, index ? 8 : 0);
            EXPECT_EQ(spy::calls().empty(), !index);
            EXPECT_EQ(grTextureFailureReason(), reason);
        }
    }
}
