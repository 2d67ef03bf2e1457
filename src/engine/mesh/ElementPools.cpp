// The process-wide pools and the class allocators that use them.
#include "engine/core/EngRuntime.h"
#include "engine/mesh/ElementPool.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MLine.h"
#include "engine/mesh/MVertex.h"

namespace engine {
namespace {

// Pooled classes refuse any other size: a derived class would overrun its
// slot.
void* AllocateSized(ElementPool& pool, std::size_t size, std::size_t classSize) {
  ENG_FATAL_IF(size != classSize);
  return pool.Allocate();
}

// One pool per class, constant-initialised and never destroyed.
template <class T>
ElementPool& PoolOf() {
  // Slots hold the object right after a pointer-sized link word.
  static_assert(alignof(T) <= alignof(void*));
  static constinit ElementPool pool(sizeof(T));
  return pool;
}

}  // namespace

ElementPool& VertexPool() { return PoolOf<MVertex>(); }
ElementPool& LinePool() { return PoolOf<MLine>(); }
ElementPool& FacePool() { return PoolOf<MFace>(); }
ElementPool& FaceUVPool() { return PoolOf<MFaceUV>(); }
ElementPool& FaceNormalsPool() { return PoolOf<MFaceNormals>(); }

void VertexCompactPool() { VertexPool().Compact(); }
void LineCompactPool() { LinePool().Compact(); }
void FaceCompactPools() {
  FacePool().Compact();
  FaceNormalsPool().Compact();
  FaceUVPool().Compact();
}
void EngCompactElementPools() {
  VertexCompactPool();
  LineCompactPool();
  FaceCompactPools();
}

void* MVertex::operator new(std::size_t size) noexcept { return AllocateSized(VertexPool(), size, sizeof(MVertex)); }
void* MVertex::operator new(std::size_t size, const std::nothrow_t&) noexcept { return operator new(size); }
void MVertex::operator delete(void* object) noexcept { VertexPool().Release(object); }

void* MLine::operator new(std::size_t size) noexcept { return AllocateSized(LinePool(), size, sizeof(MLine)); }
void* MLine::operator new(std::size_t size, const std::nothrow_t&) noexcept { return operator new(size); }
void MLine::operator delete(void* object) noexcept { LinePool().Release(object); }

void* MFace::operator new(std::size_t size) noexcept { return AllocateSized(FacePool(), size, sizeof(MFace)); }
void* MFace::operator new(std::size_t size, const std::nothrow_t&) noexcept { return operator new(size); }
void MFace::operator delete(void* object) noexcept { FacePool().Release(object); }

MFaceUV* MFace::NewUVBlock() { return static_cast<MFaceUV*>(FaceUVPool().Allocate()); }
void MFace::DeleteUVBlock(MFaceUV* block) { FaceUVPool().Release(block); }
MFaceNormals* MFace::NewNormalsBlock() { return static_cast<MFaceNormals*>(FaceNormalsPool().Allocate()); }
void MFace::DeleteNormalsBlock(MFaceNormals* block) { FaceNormalsPool().Release(block); }

}  // namespace engine
