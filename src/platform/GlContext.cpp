#include "platform/GlContext.h"

#include <GL/osmesa.h>

#include <atomic>
#include <mutex>
#include <utility>

#include "platform/Hooks.h"

namespace platform {
namespace {

// GL calls resolve to whichever library the process found first. When that
// is the system's libGL instead of OSMesa, every call goes to a dispatch
// table without a context and frames come out black; stop at once instead.
void CheckGlReachesOsMesa() {
  static std::once_flag checked;
  std::call_once(checked, [] {
    const GLubyte* renderer = glGetString(GL_RENDERER);
    if (renderer && renderer[0]) return;
    FatalExit(
        "OpenGL does not reach OSMesa: glGetString(GL_RENDERER) answered nothing after OSMesaMakeCurrent.\n"
        "The program was linked with libGL/libOpenGL (or Qt, which pulls it in) ahead of OSMesa; "
        "link OSMesa first in its link line.");
  });
}

// Binding numbers are unique across threads; each thread knows its own.
std::atomic<std::uint64_t> lastBinding{0};
thread_local std::uint64_t currentBinding = 0;

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

}  // namespace

struct GlContext::Impl {
  OSMesaContext context = nullptr;
  Image buffer;
  int depthBits = 0;

  bool Bind(Image& target) {
    if (!OSMesaMakeCurrent(context, target.Bits(), GL_UNSIGNED_BYTE, target.Width(), target.Height()))
      return false;
    currentBinding = ++lastBinding;
    // Row 0 of the buffer is the top of the frame, as in every Image.
    OSMesaPixelStore(OSMESA_Y_UP, 0);
    CheckGlReachesOsMesa();
    return true;
  }
};

GlContext::GlContext() : impl_(std::make_unique<Impl>()) {}

GlContext::~GlContext() { Destroy(); }

bool GlContext::Create(int width, int height, std::string* error) {
  Destroy();
  Image buffer;
  if (!buffer.Create(width, height, 32, true)) {
    SetError(error, "Cannot make a " + std::to_string(width) + " x " + std::to_string(height) + " GL buffer.");
    return false;
  }
  // 32 depth bits keep far scenes apart; not every OSMesa build offers them.
  int requestedDepth = 32;
  OSMesaContext context = OSMesaCreateContextExt(OSMESA_BGRA, requestedDepth, 0, 0, nullptr);
  if (!context) {
    requestedDepth = 24;
    context = OSMesaCreateContextExt(OSMESA_BGRA, requestedDepth, 0, 0, nullptr);
  }
  if (!context) {
    SetError(error, "OSMesa cannot make a rendering context.");
    return false;
  }
  impl_->context = context;
  impl_->buffer = std::move(buffer);
  if (!impl_->Bind(impl_->buffer)) {
    Destroy();
    SetError(error, "OSMesa cannot bind the rendering context to its buffer.");
    return false;
  }
  GLint depthBits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depthBits);
  impl_->depthBits = depthBits > 0 ? depthBits : requestedDepth;
  return true;
}

void GlContext::Destroy() {
  if (!impl_->context) return;
  if (OSMesaGetCurrentContext() == impl_->context) ReleaseCurrent();
  OSMesaDestroyContext(impl_->context);
  impl_->context = nullptr;
  impl_->buffer.Destroy();
  impl_->depthBits = 0;
}

bool GlContext::IsValid() const { return impl_->context != nullptr; }

bool GlContext::MakeCurrent() { return IsValid() && impl_->Bind(impl_->buffer); }

bool GlContext::Resize(int width, int height) {
  if (!IsValid()) return false;
  Image buffer;
  if (!buffer.Create(width, height, 32, true) || !impl_->Bind(buffer)) {
    impl_->Bind(impl_->buffer);
    return false;
  }
  impl_->buffer = std::move(buffer);  // the pixels stay where they are
  return true;
}

void GlContext::Finish() {
  if (!IsValid()) return;
  if (OSMesaGetCurrentContext() != impl_->context) MakeCurrent();
  glFinish();
}

const Image& GlContext::Pixels() const { return impl_->buffer; }
Image& GlContext::Pixels() { return impl_->buffer; }

int GlContext::Width() const { return impl_->buffer.Width(); }
int GlContext::Height() const { return impl_->buffer.Height(); }
int GlContext::DepthBits() const { return impl_->depthBits; }

SIZE GlContext::MaxViewportDims() {
  if (!MakeCurrent()) return SIZE{0, 0};
  GLint dims[2] = {0, 0};
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
  return SIZE{dims[0], dims[1]};
}

std::uint64_t GlContext::CurrentBinding() { return currentBinding; }

bool GlContext::AnyCurrent() { return OSMesaGetCurrentContext() != nullptr; }

void GlContext::ReleaseCurrent() {
  OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
  currentBinding = 0;
}

}  // namespace platform
