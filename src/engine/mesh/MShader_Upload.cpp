#include <GL/gl.h>
#include <GL/glu.h>

#include "engine/core/CrPrefs.h"
#include "engine/core/EngRuntime.h"
#include "engine/mesh/MShader.h"
#include "engine/render/GlLayer.h"
#include "platform/Hooks.h"

namespace engine {
namespace {

void SphereMapCoordinates(bool on) {
  if (on) {
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
  } else {
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
  }
}

void SetFilters(GLint magnification, GLint minification) {
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magnification);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minification);
}

}  // namespace

int MShader::UploadTexture(int existingName) {
  const CrPrefs* prefs = EngContext().prefs;
  const bool named = prefs != nullptr && prefs->namedTextures != 0;
  const bool linear = EngContext().textureMode == 2;
  const GLint filter = linear ? GL_LINEAR : GL_NEAREST;
  auto name = static_cast<GLuint>(existingName);

  if (existingName != 0 && named) {
    if (!glIsTexture(name)) {
      platform::Beep();
      return existingName;
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, name);
    if (sphereMap) {
      SetFilters(GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR);
      SphereMapCoordinates(true);
      return existingName;
    }
    SetFilters(filter, filter);
  } else {
    if (texture.pixels == nullptr) return 0;
    glEnable(GL_TEXTURE_2D);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    name = 0;
    if (named) {
      glGenTextures(1, &name);
      glBindTexture(GL_TEXTURE_2D, name);
    }
    if (sphereMap) {
      gluBuild2DMipmaps(GL_TEXTURE_2D, 4, texture.width, texture.height, GL_RGBA, GL_UNSIGNED_BYTE, texture.pixels);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
      SetFilters(GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR);
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
      SphereMapCoordinates(true);
      return static_cast<int>(name);
    }
    // One level, bytes as they are (any leftover pixel-transfer scaling
    // reset), repeated, with the chosen filter.
    GlTexImage(texture.width, texture.height, 4, kGlFormatRgba, kGlTypeUnsignedByte, texture.pixels, 1, 1,
               linear ? 1 : 0, linear ? 1 : 0, -1, false);
  }
  SphereMapCoordinates(false);
  return static_cast<int>(name);
}

}  // namespace engine
