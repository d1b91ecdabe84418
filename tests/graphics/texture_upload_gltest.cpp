// Every upload path of the image textures, checked call by call and by what GL holds after:
// each case's GL calls (extension entry points included) and a summary of the bound
// texture (level sizes and borders, a checksum of the texels, the GL error, the restored
// pixel-store state) must match tests/data/texture_uploads.txt. PLUVINA_UPDATE_GOLDEN=1
// rewrites that file; read its diff before committing it.
#include "libgr/extensions.h"
#include "libgr/texture_image.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

namespace spy {
void log(const char* name, std::vector<double> args, std::string text);
}

using namespace libgr;

namespace {

// Extension entry points are pointers, not linked symbols: a hook logs into the spy and
// forwards to the function the probe fetched.
template <class T> double number(T v) {
    if constexpr (std::is_pointer_v<T>)
        return spy::addr(reinterpret_cast<const void*>(v));
    else
        return double(v);
}
template <auto* Slot, class R, class... A> struct Hook {
    static inline R (*real)(A...) = nullptr;
    static inline const char* name = nullptr;
    static R call(A... a) {
        spy::log(name, {number(a)...}, {});
        return real(a...);
    }
};
template <auto* Slot, class R, class... A> void hook(R (*real)(A...), const char* name) {
    Hook<Slot, R, A...>::real = real;
    Hook<Slot, R, A...>::name = name;
    *Slot = &Hook<Slot, R, A...>::call;
}
#define HOOK(fn) hook<&fn>(fn, #fn)

struct Img {
    int count;
    std::uint32_t w, h, d;
    int layout, code;
    char extra = ' '; // P/p palette of 256/3, z compressed, s view a byte short, u unpack
};
struct Case {
    const char* name;
    int kind;
    const char* flags; // m b c: mipmapped, border, compress; G C A 3: extensions found;
                       // n: no compressed entry points; u: update() after apply();
                       // p k: parameters, border colour
    std::uint32_t size;
    std::vector<Img> images;
};

const grPixelStore kTight{GL_FALSE, 1};

template <class Image> Image makeImage(const Img& d, int index) {
    Image im;
    if (d.layout < 0)
        return im; // a default record
    im.layout = d.layout;
    im.numberKind = grKindUnsigned;
    im.bitCode = d.code;
    im.width = d.w;
    if constexpr (!std::is_same_v<Image, grImage1D>)
        im.height = d.h;
    if constexpr (std::is_same_v<Image, grImage3D>)
        im.depth = d.d;
    if constexpr (std::is_same_v<Image, grImage2D>)
        if (d.extra == 'u') { // the 3×2 block at (1, 1) of a tightly packed 5-pixel-wide source
            im.pixelStore = &kTight;
            im.rowLength = 5;
            im.skipPixels = im.skipRows = 1;
        }
    im.compressed = d.extra == 'z';
    grGLFormat f;
    const bool ok = resolveFormat(f, d.layout, grKindUnsigned, d.code, false);
    const std::size_t bytes = ok ? uploadByteCount(im, f, 4) : 64;
    EXPECT_TRUE(im.pixels.create(std::uint32_t(im.compressed ? 64 : bytes - (d.extra == 's'))));
    for (std::uint32_t i = 0; i < im.pixels.size(); ++i)
        im.pixels[i] = static_cast<unsigned char>(i * 7 + index * 31);
    if (d.extra == 'P' || d.extra == 'p') {
        im.palette.resize(d.extra == 'P' ? 256 : 3);
        for (std::uint32_t i = 0; i < im.palette.count; ++i)
            im.palette.red[i] = im.palette.green[i] = std::uint16_t(0xFFFF - 0x100 * i);
        std::fill(im.palette.blue.begin(), im.palette.blue.end(), 0x8000);
    }
    return im;
}

template <class Texture, class Params>
void run(Texture& t, const Case& c, Params& params, const std::string& flags) {
    int index = 0;
    for (const Img& d : c.images)
        for (int n = 0; n < d.count; ++n)
            t.images.push_back(makeImage<typename decltype(t.images)::value_type>(d, index++));
    t.size = c.size;
    t.setMipmapped(flags.find('m') != std::string::npos);
    t.setBorder(flags.find('b') != std::string::npos);
    t.setCompress(flags.find('c') != std::string::npos);
    static const float colour[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    t.setParams(flags.find('p') != std::string::npos ? &params : nullptr);
    t.setBorderColor(flags.find('k') != std::string::npos ? colour : nullptr);
    if (flags.find('u') != std::string::npos)
        t.apply();
    spy::start();
    flags.find('u') != std::string::npos ? t.update() : t.apply();
    spy::stop();
}

std::string format(const std::vector<spy::Call>& calls) {
    std::ostringstream out;
    for (const spy::Call& call : calls) {
        out << "  " << call.name << "(";
        for (std::size_t i = 0; i < call.args.size(); ++i)
            // Addresses differ from run to run; only whether a pointer is null matters.
            if (call.args[i] >= 4294967296.0)
                out << (i ? ",p" : "p");
            else
                out << (i ? "," : "") << call.args[i];
        out << ")\n";
    }
    return out.str();
}

// Level sizes, borders and a checksum of every texel of the bound texture's faces.
std::string summary(GLenum target) {
    std::ostringstream out;
    const bool cube = target == GL_TEXTURE_CUBE_MAP;
    for (GLenum face = 0; face < (cube ? 6u : 1u); ++face) {
        const GLenum t = cube ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + face : target;
        std::uint32_t sum = 2166136261u;
        out << "  levels";
        for (GLint l = 0; l < 12; ++l) {
            GLint w = 0, h = 0, d = 0, b = 0;
            glGetTexLevelParameteriv(t, l, GL_TEXTURE_WIDTH, &w);
            glGetTexLevelParameteriv(t, l, GL_TEXTURE_HEIGHT, &h);
            glGetTexLevelParameteriv(t, l, GL_TEXTURE_DEPTH, &d);
            glGetTexLevelParameteriv(t, l, GL_TEXTURE_BORDER, &b);
            if (w == 0)
                continue;
            out << " " << l << ":" << w << "x" << h << "x" << d << "/" << b;
            std::vector<unsigned char> texels(std::size_t(w) * h * d * 4);
            glGetTexImage(t, l, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
            for (unsigned char v : texels)
                sum = (sum ^ v) * 16777619u;
        }
        out << " sum " << std::hex << sum << std::dec << "\n";
    }
    GLint state[4] = {};
    const GLenum names[4] = {GL_UNPACK_ALIGNMENT, GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_PIXELS,
                             GL_MAP_COLOR};
    for (int i = 0; i < 4; ++i)
        glGetIntegerv(names[i], &state[i]);
    out << "  error " << testgl::drainErrors() << " unpack " << state[0] << " " << state[1] << " "
        << state[2] << " map " << state[3] << "\n";
    return out.str();
}

std::string runCase(const Case& c) {
    const std::string flags = c.flags;
    const auto has = [&](char f) { return flags.find(f) != std::string::npos ? 1 : 0; };
    static const auto entries = [] {
        probeTextureCompression();
        probeTexture3D();
        HOOK(glCompressedTexImage1DARB);
        HOOK(glCompressedTexImage2DARB);
        HOOK(glCompressedTexImage3DARB);
        HOOK(glCompressedTexSubImage2DARB);
        HOOK(glTexImage3DEXT);
        HOOK(glTexSubImage3DEXT);
        return std::make_tuple(glCompressedTexImage1DARB, glCompressedTexImage2DARB,
                               glCompressedTexImage3DARB, glCompressedTexSubImage2DARB,
                               glTexImage3DEXT, glTexSubImage3DEXT);
    }();
    std::tie(glCompressedTexImage1DARB, glCompressedTexImage2DARB, glCompressedTexImage3DARB,
             glCompressedTexSubImage2DARB, glTexImage3DEXT, glTexSubImage3DEXT) = entries;
    if (has('n'))
        glCompressedTexImage1DARB = nullptr, glCompressedTexImage2DARB = nullptr;
    if (!has('3'))
        glTexImage3DEXT = nullptr, glTexSubImage3DEXT = nullptr;
    hasGenerateMipmap = has('G');
    hasTextureCompression = has('C');
    hasAnisotropicFilter = has('A');

    const GLenum target = targetForKind(c.kind);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(target, name);
    testgl::drainErrors();
    if (c.kind == grKind1D) {
        grTexture1D t;
        grTexParams1D p;
        p.set(GL_NEAREST, GL_LINEAR, GL_CLAMP);
        run(t, c, p, flags);
    } else if (c.kind == grKind2D) {
        grTexture2D t;
        grTexParams2D p;
        p.set(GL_LINEAR_MIPMAP_LINEAR, GL_NEAREST, GL_REPEAT, GL_CLAMP, 4.9f);
        run(t, c, p, flags);
    } else if (c.kind == grKind3D) {
        grTexture3D t;
        grTexParams3D p;
        p.set(GL_NEAREST, GL_LINEAR, GL_CLAMP, GL_REPEAT, GL_CLAMP, 2.5f);
        run(t, c, p, flags);
    } else {
        grTextureCubeMap t;
        grTexParamsCubeMap p;
        p.set(GL_LINEAR, GL_NEAREST, 3.0f);
        run(t, c, p, flags);
    }
    const std::string out = format(spy::calls()) + summary(target);
    glDeleteTextures(1, &name);
    return out;
}

const int RGB = grLayoutRGB, BGR = grLayoutBGR, RGBA = grLayoutRGBA, A = grLayoutAlpha,
          L = grLayoutLuminance, B8 = grBits8;

const Case kCases[] = {
    {"empty 1D", grKind1D, "mpk", 0, {}},
    {"empty 2D", grKind2D, "mpku", 0, {}},
    {"empty 3D", grKind3D, "mpk3", 0, {}},
    {"empty cube", grKindCubeMap, "mpk", 0, {}},
    {"1D through GLU", grKind1D, "mp", 0, {{1, 8, 1, 1, RGB, B8}}},
    {"1D generate", grKind1D, "mG", 12, {{1, 8, 1, 1, RGB, B8}}},
    {"1D generate with border", grKind1D, "mbG", 17, {{1, 8, 1, 1, RGB, B8}}},
    {"1D levels", grKind1D, "pk", 0, {{1, 8, 1, 1, RGB, B8}, {1, 4, 1, 1, RGB, B8}}},
    {"1D levels with border", grKind1D, "b", 0, {{1, 8, 1, 1, RGB, B8}, {1, 4, 1, 1, RGB, B8}}},
    {"1D compress only level 0", grKind1D, "mcC", 0, {{2, 8, 1, 1, A, B8}}},
    {"1D compressed records", grKind1D, "mbCG", 0, {{2, 4, 1, 1, RGB, B8, 'z'}}},
    {"1D compressed no entry", grKind1D, "Cn", 0, {{1, 4, 1, 1, RGB, B8, 'z'}}},
    {"2D billboard", grKind2D, "mp", 0, {{1, 200, 100, 1, BGR, B8}}},
    {"2D billboard anisotropic", grKind2D, "mpA", 0, {{1, 200, 100, 1, BGR, B8}}},
    {"2D generate", grKind2D, "mG", 256, {{1, 200, 100, 1, BGR, B8}}},
    {"2D generate with border", grKind2D, "mbG", 258, {{1, 200, 100, 1, BGR, B8}}},
    {"2D generate size below image", grKind2D, "mG", 64, {{1, 200, 100, 1, BGR, B8}}},
    {"2D generate unsupported format", grKind2D, "mG", 8, {{1, 8, 8, 1, L, B8}}},
    {"2D levels",
     grKind2D,
     "pk",
     0,
     {{1, 8, 8, 1, BGR, B8}, {1, 4, 4, 1, BGR, B8}, {1, 2, 2, 1, BGR, B8}, {1, 1, 1, 1, BGR, B8}}},
    {"2D GLU then levels",
     grKind2D,
     "m",
     0,
     {{1, 8, 8, 1, BGR, B8}, {1, 4, 4, 1, BGR, B8}, {2, 1, 1, 1, BGR, B8}}},
    {"2D levels with border", grKind2D, "b", 0, {{1, 8, 8, 1, RGB, B8}, {1, 4, 4, 1, RGB, B8}}},
    {"2D palette 256", grKind2D, "p", 0, {{1, 4, 1, 1, L, B8, 'P'}, {1, 4, 1, 1, L, B8, 'p'}}},
    {"2D palette 3", grKind2D, "", 0, {{1, 4, 1, 1, L, B8, 'p'}, {1, 4, 1, 1, L, B8, 'P'}}},
    {"2D skipped images",
     grKind2D,
     "",
     0,
     {{1, 0, 0, 0, -1, 0},
      {1, 4, 4, 1, grLayoutRGBPair, B8},
      {1, 4, 4, 1, RGB, B8, 'z'},
      {1, 4, 4, 1, RGB, B8, 's'},
      {1, 3, 2, 1, RGB, B8, 'u'}}},
    {"2D compress alpha", grKind2D, "cC", 0, {{1, 4, 4, 1, A, B8}}},
    {"2D compress without extension", grKind2D, "c", 0, {{1, 4, 4, 1, A, B8}}},
    {"2D compressed records",
     grKind2D,
     "mCG",
     0,
     {{1, 4, 4, 1, RGB, B8, 'z'}, {1, 2, 2, 1, RGB, B8, 'z'}}},
    {"2D compressed levels", grKind2D, "bC", 0, {{2, 4, 4, 1, RGB, B8, 'z'}}},
    {"2D compressed no entry", grKind2D, "mCn", 0, {{1, 4, 4, 1, RGB, B8, 'z'}}},
    {"2D refresh GLU", grKind2D, "mup", 0, {{1, 8, 8, 1, BGR, B8}, {1, 4, 4, 1, BGR, B8}}},
    {"2D refresh generate", grKind2D, "muG", 8, {{1, 8, 8, 1, BGR, B8}, {1, 4, 4, 1, BGR, B8}}},
    {"2D refresh levels", grKind2D, "uG", 0, {{1, 8, 8, 1, BGR, B8}, {1, 4, 4, 1, BGR, B8}}},
    {"2D refresh compressed", grKind2D, "muCG", 0, {{2, 4, 4, 1, RGB, B8, 'z'}}},
    {"3D no entry points", grKind3D, "pk", 0, {{1, 4, 2, 2, RGBA, B8}}},
    {"3D levels", grKind3D, "p3", 0, {{1, 4, 2, 2, RGBA, B8}, {1, 2, 1, 1, RGBA, B8}}},
    {"3D mipmapped", grKind3D, "m3", 0, {{1, 4, 2, 2, RGBA, B8}, {1, 2, 2, 2, RGBA, B8}}},
    {"3D generate", grKind3D, "m3G", 0, {{1, 4, 2, 2, RGBA, B8}}},
    {"3D mipmapped with border", grKind3D, "mb3", 6, {{1, 4, 2, 2, RGBA, B8}}},
    {"3D compressed chain", grKind3D, "mbC3", 0, {{2, 4, 4, 4, RGBA, B8, 'z'}}},
    {"3D compressed generate", grKind3D, "mbC3G", 0, {{2, 4, 4, 4, RGBA, B8, 'z'}}},
    {"3D compressed levels", grKind3D, "bC3", 0, {{2, 4, 4, 4, RGBA, B8, 'z'}}},
    {"cube levels", grKindCubeMap, "p", 0, {{6, 4, 4, 1, BGR, B8}, {2, 2, 2, 1, BGR, B8}}},
    {"cube levels with border", grKindCubeMap, "b", 0, {{6, 4, 4, 1, BGR, B8}}},
    {"cube GLU then level 1",
     grKindCubeMap,
     "m",
     0,
     {{6, 4, 4, 1, BGR, B8}, {6, 2, 2, 1, BGR, B8}}},
    {"cube generate", grKindCubeMap, "mbG", 4, {{6, 4, 4, 1, BGR, B8}, {6, 2, 2, 1, BGR, B8}}},
    {"cube compressed", grKindCubeMap, "mbC", 0, {{12, 4, 4, 1, BGR, B8, 'z'}}},
    {"cube compressed levels", grKindCubeMap, "bC", 0, {{6, 4, 4, 1, BGR, B8, 'z'}}},
    {"cube five records", grKindCubeMap, "p", 0, {{5, 4, 4, 1, BGR, B8}}},
    {"cube five records mipmapped", grKindCubeMap, "mp", 0, {{5, 4, 4, 1, BGR, B8}}},
};

} // namespace

TEST(TextureUploadGL, EveryPathMatchesTheRecordedCallsAndResult) {
    testgl::ensureContext();
    const std::string path = PLUVINA_TEST_DATA "/texture_uploads.txt";
    std::map<std::string, std::string> expected;
    std::ifstream in(path);
    std::string name;
    for (std::string line; std::getline(in, line);)
        line.rfind("case ", 0) == 0 ? void(name = line.substr(5))
                                    : void(expected[name] += line + "\n");
    std::ostringstream all;
    for (const Case& c : kCases) {
        const std::string got = runCase(c);
        all << "case " << c.name << "\n" << got;
        EXPECT_EQ(got, expected[c.name]) << c.name;
    }
    hasGenerateMipmap = hasTextureCompression = hasAnisotropicFilter = 0;
    if (std::getenv("PLUVINA_UPDATE_GOLDEN"))
        std::ofstream(path) << all.str();
}
