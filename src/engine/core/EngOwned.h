#pragma once
// A single owner of an object whose class may be unknown where the owner is
// declared: whoever hands the object over also hands over how to delete it.
// The engine's process-wide stores use it for things of later parts of the
// engine (poses, morph-target lists, materials).
#include <memory>
#include <utility>

namespace engine {

template <class T>
class EngOwned {
 public:
  using Deleter = void (*)(T*);

  EngOwned() = default;
  ~EngOwned() { Reset(); }
  EngOwned(const EngOwned&) = delete;
  EngOwned& operator=(const EngOwned&) = delete;

  // Deletes what is held, then holds `object`, deleted later with `deleter`.
  void Reset(T* object = nullptr, Deleter deleter = nullptr) {
    if (object != nullptr && object == object_) {  // already held: only the deleter changes
      deleter_ = deleter;
      return;
    }
    T* old = object_;
    const Deleter oldDeleter = deleter_;
    object_ = object;
    deleter_ = deleter;
    if (old != nullptr && oldDeleter != nullptr) oldDeleter(old);
  }
  // Deletes what is held and takes over what `other` holds; `other` is left
  // empty.
  void TakeFrom(EngOwned& other) {
    // std::addressof: the operator & would look for overloads in T's class,
    // which needs T complete where only a declaration of it is known.
    if (std::addressof(other) == this) return;
    Reset(other.object_, other.deleter_);
    other.object_ = nullptr;
    other.deleter_ = nullptr;
  }
  // Gives the object up without deleting it.
  T* Release() {
    deleter_ = nullptr;
    return std::exchange(object_, nullptr);
  }

  T* Get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
  Deleter deleter_ = nullptr;
};

}  // namespace engine
