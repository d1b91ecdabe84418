// Every upload path of the image textures, checked call by call and by what GL holds after.
// tests/data/texture_uploads.txt lists the cases, each followed by its GL calls (extension
// entry points included) and a summary of the bound texture: level sizes and borders, a
// checksum of the texels and the GL error. A case line:
//   case NAME | KIND FLAGS SIZE | COUNT*WxHxD/LAYOUT[/EXTRA] ...
// FLAGS (- for none): m b c mipmapped, border, compress; G C A 3 extensions found; n no
// compressed entry points; u update() after apply(); p k parameters, border colour. EXTRA:
// P/p palette of 256/3 entries, z compressed, s view a byte short, u unpack fields.
// PLUVINA_UPDATE_GOLDEN=1 rewrites the expectations; read the diff before committing it.
#include "libgr/extensions.h"
#include "libgr/texture_image.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
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
template <auto* Slot, class R, class... A> R (*hook(R (*real)(A...), const char* name))(A...) {
    Hook<Slot, R, A...>::real = real;
    Hook<Slot, R, A...>::name = name;
    return &Hook<Slot, R, A...>::call;
}
#define HOOK(fn) hook<&fn>(fn, #fn)

struct Case {
    int kind = 0;
    std::string flags;
    std::uint32_t size = 0;
    std::vector<std::string> images;
    bool has(char f) const { return flags.find(f) != std::string::npos; }
};

const grPixelStore kTight{GL_FALSE, 1};

template <class Image> Image makeImage(const std::string& spec, int index) {
    static const std::map<std::string, int> layouts = {
        {"L", grLayoutLuminance}, {"A", grLayoutAlpha}, {"RGB", grLayoutRGB},
        {"RGBA", grLayoutRGBA},   {"BGR", grLayoutBGR}, {"RGBPair", grLayoutRGBPair}};
    Image im;
    std::uint32_t w = 0, h = 0, d = 0;
    char name[16] = {}, extra = ' ';
    std::sscanf(spec.c_str(), "%ux%ux%u/%15[A-Za-z]/%c", &w, &h, &d, name, &extra);
    if (!layouts.count(name))
        return im; // a default record
    im.layout = layouts.at(name);
    im.numberKind = grKindUnsigned;
    im.bitCode = grBits8;
    im.width = w;
    if constexpr (!std::is_same_v<Image, grImage1D>)
        im.height = h;
    if constexpr (std::is_same_v<Image, grImage3D>)
        im.depth = d;
    if constexpr (std::is_same_v<Image, grImage2D>)
        if (extra == 'u') { // the 3×2 block at (1, 1) of a tightly packed 5-pixel-wide source
            im.pixelStore = &kTight;
            im.rowLength = 5;
            im.skipPixels = im.skipRows = 1;
        }
    im.compressed = extra == 'z';
    grGLFormat f;
    const bool ok = resolveFormat(f, im.layout, im.numberKind, im.bitCode, false);
    const std::size_t bytes = ok && !im.compressed ? uploadByteCount(im, f, 4) : 64;
    EXPECT_TRUE(im.pixels.create(std::uint32_t(bytes - (extra == 's'))));
    for (std::uint32_t i = 0; i < im.pixels.size(); ++i)
        im.pixels[i] = static_cast<unsigned char>(i * 7 + index * 31);
    if (extra == 'P' || extra == 'p') {
        im.palette.resize(extra == 'P' ? 256 : 3);
        for (std::uint32_t i = 0; i < im.palette.count; ++i)
            im.palette.red[i] = im.palette.green[i] = std::uint16_t(0xFFFF - 0x100 * i);
        std::fill(im.palette.blue.begin(), im.palette.blue.end(), 0x8000);
    }
    return im;
}

template <class Texture, class Params> void run(const Case& c, Params params) {
    Texture t;
    int index = 0;
    for (const std::string& spec : c.images) {
        const int count = std::atoi(spec.c_str());
        for (int n = 0; n < count; ++n)
            t.images.push_back(makeImage<typename decltype(t.images)::value_type>(
                spec.substr(spec.find('*') + 1), index++));
    }
    t.size = c.size;
    t.setMipmapped(c.has('m'));
    t.setBorder(c.has('b'));
    t.setCompress(c.has('c'));
    static const float colour[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    t.setParams(c.has('p') ? &params : nullptr);
    t.setBorderColor(c.has('k') ? colour : nullptr);
    if (c.has('u'))
        t.apply();
    spy::start();
    c.has('u') ? t.update() : t.apply();
    spy::stop();
}

std::string format(const std::vector<spy::Call>& calls) {
    std::ostringstream out;
    for (const spy::Call& call : calls) {
        out << "  " << call.name << "(";
        for (std::size_t i = 0; i < call.args.size(); ++i) {
            out << (i ? "," : "");
            // Addresses differ from run to run; only whether a pointer is null matters.
            call.args[i] >= 4294967296.0 ? out << "p" : out << call.args[i];
        }
        out << ")\n";
    }
    return out.str();
}

// Level sizes, borders and a checksum of every texel of the bound texture's faces.
const GLenum kLevelQueries[4] = {GL_TEXTURE_WIDTH, GL_TEXTURE_HEIGHT, GL_TEXTURE_DEPTH,
                                 GL_TEXTURE_BORDER};
std::string summary(GLenum target) {
    std::ostringstream out;
    const bool cube = target == GL_TEXTURE_CUBE_MAP;
    for (GLenum face = 0; face < (cube ? 6u : 1u); ++face) {
        const GLenum t = cube ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + face : target;
        std::uint32_t sum = 2166136261u;
        out << "  levels";
        for (GLint l = 0; l < 12; ++l) {
            GLint v[4] = {};
            for (int i = 0; i < 4; ++i)
                glGetTexLevelParameteriv(t, l, kLevelQueries[i], &v[i]);
            if (v[0] == 0)
                continue;
            out << " " << l << ":" << v[0] << "x" << v[1] << "x" << v[2] << "/" << v[3];
            std::vector<unsigned char> texels(std::size_t(v[0]) * v[1] * v[2] * 4);
            glGetTexImage(t, l, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
            for (unsigned char b : texels)
                sum = (sum ^ b) * 16777619u;
        }
        out << " sum " << std::hex << sum << std::dec << "\n";
    }
    out << "  error " << testgl::drainErrors() << "\n";
    return out.str();
}

std::string runCase(const Case& c) {
    static const auto probed = (probeTextureCompression(), probeTexture3D());
    static const auto c1 = HOOK(glCompressedTexImage1DARB);
    static const auto c2 = HOOK(glCompressedTexImage2DARB);
    static const auto c3 = HOOK(glCompressedTexImage3DARB);
    static const auto s2 = HOOK(glCompressedTexSubImage2DARB);
    static const auto t3 = HOOK(glTexImage3DEXT);
    static const auto s3 = HOOK(glTexSubImage3DEXT);
    (void)probed;
    glCompressedTexImage1DARB = c.has('n') ? nullptr : c1;
    glCompressedTexImage2DARB = c.has('n') ? nullptr : c2;
    glCompressedTexImage3DARB = c3;
    glCompressedTexSubImage2DARB = s2;
    glTexImage3DEXT = c.has('3') ? t3 : nullptr;
    glTexSubImage3DEXT = c.has('3') ? s3 : nullptr;
    hasGenerateMipmap = c.has('G');
    hasTextureCompression = c.has('C');
    hasAnisotropicFilter = c.has('A');

    const GLenum target = targetForKind(c.kind);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(target, name);
    testgl::drainErrors();
    if (c.kind == grKind1D)
        run<grTexture1D>(c, grTexParams1D{GL_NEAREST, GL_LINEAR, GL_CLAMP});
    else if (c.kind == grKind2D)
        run<grTexture2D>(
            c, grTexParams2D{GL_LINEAR_MIPMAP_LINEAR, GL_NEAREST, GL_REPEAT, GL_CLAMP, 4.9f});
    else if (c.kind == grKind3D)
        run<grTexture3D>(c,
                         grTexParams3D{GL_NEAREST, GL_LINEAR, GL_CLAMP, GL_REPEAT, GL_CLAMP, 2.5f});
    else
        run<grTextureCubeMap>(c, grTexParamsCubeMap{GL_LINEAR, GL_NEAREST, 3.0f});
    const std::string out = format(spy::calls()) + summary(target);
    glDeleteTextures(1, &name);
    return out;
}

} // namespace

TEST(TextureUploadGL, EveryPathMatchesTheRecordedCallsAndResult) {
    testgl::ensureContext();
    const std::string path = PLUVINA_TEST_DATA "/texture_uploads.txt";
    std::ifstream in(path);
    std::vector<std::pair<std::string, std::string>> cases; // case line, expectation
    for (std::string line; std::getline(in, line);)
        if (line.rfind("case ", 0) == 0)
            cases.emplace_back(line, "");
        else if (!cases.empty())
            cases.back().second += line + "\n";
    ASSERT_GT(cases.size(), 40u);
    std::ostringstream all;
    for (const auto& [line, expected] : cases) {
        Case c;
        std::istringstream words(line.substr(line.find(" | ") + 3));
        std::string word;
        words >> c.kind >> c.flags >> c.size;
        while (words >> word)
            c.images.push_back(word);
        const std::string got = runCase(c);
        all << line << "\n" << got;
        EXPECT_EQ(got, expected) << line;
    }
    hasGenerateMipmap = hasTextureCompression = hasAnisotropicFilter = 0;
    if (std::getenv("PLUVINA_UPDATE_GOLDEN"))
        std::ofstream(path) << all.str();
}
