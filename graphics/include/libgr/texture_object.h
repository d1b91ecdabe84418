// The texturable interface, GL texture objects that own a texture name, the texture-parameter
// records and the functions that apply them (and a border colour) to the bound texture.
#pragma once

#include "libgr/shared_name.h"

#include <GL/gl.h>

namespace libgr {

/// Texture kind codes: 1D, 2D, 3D and cube map; 0 means none of these.
enum : int { grKindNone = 0, grKind1D = 1, grKind2D = 2, grKind3D = 3, grKindCubeMap = 6 };

/// 1281 marks "no target"; the same number stands in for a texture name that has not been
/// generated when a name has to be passed anyway. GL accepts neither as a texture target,
/// so a bind with it fails inside GL and binds nothing.
constexpr GLenum grNoTarget = 1281;
/// The stand-in for a texture name that was never generated (the same number).
constexpr GLuint grNoTextureName = 1281;

/// The GL target of a kind code; grNoTarget for every code without one (negative codes
/// included).
GLenum targetForKind(int kind);
/// The kind code of a GL target; 0 for anything that is not a texture target of ours.
int kindForTarget(GLenum target);

/// Something that can be made the current texture: an image texture that defines the images
/// of the bound texture object, or a texture object that binds its name.
class grTexturable {
public:
    /// The kind code (grKind1D, grKind2D, grKind3D, grKindCubeMap), which picks the GL target;
    /// grKindNone when there is none.
    virtual int kind() const = 0;
    /// Gives up GL resources; nothing by default.
    virtual void release();
    /// Takes effect in the current GL context.
    virtual void apply() = 0;
    /// Re-sends the texture; apply() by default.
    virtual void update();
    virtual ~grTexturable() = 0;
};

/// A texturable that owns GL resources and can tell whether it holds texture data.
class grTexturableObject : public grTexturable {
public:
    void release() override = 0;
    /// Whether it holds texture data: loaded and not released since.
    virtual bool isLoaded() const = 0;
};

/// Deletes one texture name for the shared-name owner.
struct grTextureNameDeleter {
    /// Deletes `name` in the current GL context.
    static void destroy(GLuint name);
};

/// The reference-counted owner of one GL texture name.
using grTextureName = grSharedName<grTextureNameDeleter>;

/// A GL texture object: generates a name on first load, binds it, and lets a texturable
/// (an image texture) fill it. Constructing one makes no GL call; destroying one deletes the
/// name if it is still allocated.
class grTextureObject : public grTexturableObject {
public:
    grTextureObject() = default;
    // One owner per name: a copy would let one object's release() pull the name out from
    // under the other. A move hands the name over and leaves the source empty, as if new;
    // moving onto a loaded object deletes that object's name first.
    grTextureObject(const grTextureObject&) = delete;
    grTextureObject& operator=(const grTextureObject&) = delete;
    /// Takes over the other object's name, target and source.
    grTextureObject(grTextureObject&& other) noexcept;
    /// Drops this object's name (deleted unless another holder shares it), then takes over
    /// the other's; self-assignment changes nothing.
    grTextureObject& operator=(grTextureObject&& other) noexcept;
    ~grTextureObject() override;

    /// Generates the name if none is allocated, binds it to the source's target and calls
    /// source.apply(). The source must outlive the object's use of update().
    void load(grTexturable& source);

    /// The kind of the last loaded source; grKindNone before a load and after release().
    int kind() const override;
    /// Deletes the GL name of a loaded object; does nothing otherwise.
    void release() override;
    /// Binds the name. Does nothing on an object that was never loaded.
    void apply() override;
    /// Binds the name and lets the source re-send its images; nothing unless loaded.
    void update() override;
    /// True from load() until release() (or a move away).
    bool isLoaded() const override;

    /// Whether GL reports the texture resident; false, without a GL call, before any load.
    bool isResident() const;

    /// The shared name record (for inspection: the GL name and whether it is allocated).
    const grTextureName& name() const { return handle; }

private:
    GLuint nameOrNone() const;

    grTextureName handle;
    GLenum target = grNoTarget;
    bool loaded = false;
    grTexturable* source = nullptr;
};

/// Texture parameters of a 1D texture.
struct grTexParams1D {
    GLint minFilter = GL_NEAREST_MIPMAP_LINEAR; ///< GL_TEXTURE_MIN_FILTER
    GLint magFilter = GL_LINEAR;                ///< GL_TEXTURE_MAG_FILTER
    GLint wrapS = GL_REPEAT;                    ///< GL_TEXTURE_WRAP_S

    /// Sets every field at once, in declaration order.
    void set(GLint minFilter_, GLint magFilter_, GLint wrapS_);
};

/// Texture parameters of a 2D texture.
struct grTexParams2D {
    GLint minFilter = GL_NEAREST_MIPMAP_LINEAR; ///< GL_TEXTURE_MIN_FILTER
    GLint magFilter = GL_LINEAR;                ///< GL_TEXTURE_MAG_FILTER
    GLint wrapS = GL_REPEAT;                    ///< GL_TEXTURE_WRAP_S
    GLint wrapT = GL_REPEAT;                    ///< GL_TEXTURE_WRAP_T
    float maxAnisotropy = 1.0f;                 ///< the anisotropic filter's maximum degree

    /// Sets every field at once, in declaration order.
    void set(GLint minFilter_, GLint magFilter_, GLint wrapS_, GLint wrapT_, float maxAnisotropy_);
};

/// Texture parameters of a 3D texture.
struct grTexParams3D {
    GLint minFilter = GL_NEAREST_MIPMAP_LINEAR; ///< GL_TEXTURE_MIN_FILTER
    GLint magFilter = GL_LINEAR;                ///< GL_TEXTURE_MAG_FILTER
    GLint wrapS = GL_REPEAT;                    ///< GL_TEXTURE_WRAP_S
    GLint wrapT = GL_REPEAT;                    ///< GL_TEXTURE_WRAP_T
    GLint wrapR = GL_REPEAT;                    ///< GL_TEXTURE_WRAP_R
    float maxAnisotropy = 1.0f;                 ///< the anisotropic filter's maximum degree

    /// Sets every field at once, in declaration order.
    void set(GLint minFilter_, GLint magFilter_, GLint wrapS_, GLint wrapT_, GLint wrapR_,
             float maxAnisotropy_);
};

/// Texture parameters of a cube map (it carries no wrap modes).
struct grTexParamsCubeMap {
    GLint minFilter = GL_NEAREST_MIPMAP_LINEAR; ///< GL_TEXTURE_MIN_FILTER
    GLint magFilter = GL_LINEAR;                ///< GL_TEXTURE_MAG_FILTER
    float maxAnisotropy = 1.0f;                 ///< the anisotropic filter's maximum degree

    /// Sets every field at once, in declaration order.
    void set(GLint minFilter_, GLint magFilter_, float maxAnisotropy_);
};

///@{
/// Applies the record to the texture bound to its target; a null record does nothing.
/// The anisotropy is applied, truncated to an integer, only once the anisotropic-filter probe
/// has found its extension.
void applyParams(const grTexParams1D* params);
void applyParams(const grTexParams2D* params);
void applyParams(const grTexParams3D* params);
void applyParams(const grTexParamsCubeMap* params);
///@}

/// Sets the border colour (four floats: red, green, blue, alpha) of the texture bound to
/// `target`; a null colour does nothing.
void applyBorderColor(GLenum target, const float* rgba);

} // namespace libgr
