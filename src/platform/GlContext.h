#pragma once
// An OpenGL rendering context that draws into memory (no window): the colour
// buffer is a 32-bit image, top row first like every Image, so drawing code
// can go on with a Dc on the same pixels after GL has finished.
//
// The program and every test that renders must link OSMesa ahead of the
// system's libGL (which Qt pulls in); otherwise GL calls land in a library
// with no current context. The first context made current checks this and
// ends the program with a message that says so.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Image.h"
#include "platform/WinTypes.h"

namespace platform {

class GlContext {
 public:
  GlContext();
  ~GlContext();  // destroys the context
  GlContext(const GlContext&) = delete;
  GlContext& operator=(const GlContext&) = delete;

  // Makes a context with a width × height BGRA colour buffer and a depth
  // buffer of 32 bits, or 24 where 32 are not available. Replaces any
  // previous context. False with a reason in `error` (optional) on failure.
  bool Create(int width, int height, std::string* error = nullptr);
  void Destroy();
  bool IsValid() const;

  // Binds the context and its buffer to the calling thread.
  bool MakeCurrent();
  // Gives the context a new colour buffer of the new size (cleared) and
  // binds it; the depth buffer follows. False (context unchanged) when the
  // size is not valid or memory runs out.
  bool Resize(int width, int height);

  // Waits for drawing to end and puts the finished frame into Pixels().
  void Finish();
  // The colour buffer; read it after Finish(). Alpha is what GL wrote. A Dc
  // may draw on it after Finish(); it must not be recreated (use Resize).
  const Image& Pixels() const;
  Image& Pixels();

  int Width() const;
  int Height() const;
  int DepthBits() const;
  // GL_MAX_VIEWPORT_DIMS of the context (makes it current); (0, 0) when
  // there is no context.
  SIZE MaxViewportDims();

  // A number that changes whenever a context is bound to, or released from,
  // the calling thread (0 while none is bound): code that remembers GL state
  // to skip repeated calls can tell when its memory no longer describes the
  // context in use, even when the same context is bound again.
  static std::uint64_t CurrentBinding();
  // Whether some context is current on the calling thread.
  static bool AnyCurrent();
  // Leaves the calling thread without a current context.
  static void ReleaseCurrent();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
