#pragma once
// The engine's growable array: a plain value container that never throws
// and never owns what its elements point to. Elements are plain records,
// moved with byte copies. The block doubles when full; the first addition to
// a new array doubles the initial capacity (5 -> 10, then 20, 40, ...).
// A failed growth answers false and leaves the array exactly as it was; the
// caller records the out-of-memory failure.
#include <cassert>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "engine/core/EngAlloc.h"

namespace engine {

// Slot preparation policies (no parameter is called "slots": Qt defines that
// word as a macro in the files of the program that include these headers):
// what the slots of a newly allocated block hold
// before the old elements are copied in.
struct EngLeaveSlots {
  template <class T>
  static void Prepare(T*, int) {}
};
// Every slot of a new block is default-constructed (records whose empty
// state readers rely on).
struct EngConstructSlots {
  template <class T>
  static void Prepare(T* block, int n) {
    for (int i = 0; i < n; ++i) ::new (static_cast<void*>(block + i)) T();
  }
};

template <class T, class Slots = EngLeaveSlots>
class EngArray {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>,
                "engine arrays move their elements with byte copies");

 public:
  static constexpr int kDefaultCapacity = 5;

  EngArray() = default;
  // An initial capacity of 0 or less means the default.
  explicit EngArray(int initial)
      : capacity(initial > 0 ? initial : kDefaultCapacity), initialCapacity(capacity) {}
  ~EngArray() { EngFree(items); }

  EngArray(const EngArray&) = delete;
  EngArray& operator=(const EngArray&) = delete;
  EngArray(EngArray&& other) noexcept { Swap(other); }
  EngArray& operator=(EngArray&& other) noexcept {
    if (this != &other) {
      EngArray gone(std::move(*this));
      Swap(other);
    }
    return *this;
  }

  // Appends a copy of the element at index `count`; false when the block
  // had to grow and could not.
  bool Add(T element) {
    if (count >= capacity || items == nullptr) {
      if (!Grow()) return false;
    }
    items[count++] = element;
    return true;
  }
  // The same operation under the name some typed forms use.
  bool Append(T element) { return Add(element); }

  T& operator[](int i) {
    assert(i >= 0 && i < count);
    return items[i];
  }
  const T& operator[](int i) const {
    assert(i >= 0 && i < count);
    return items[i];
  }

  // Removes the first element equal to the given one, moving the tail one
  // place down; false when it is absent. The capacity is unchanged.
  bool Remove(const T& element) {
    for (int i = 0; i < count; ++i) {
      if (items[i] == element) {
        std::memmove(static_cast<void*>(items + i), items + i + 1, sizeof(T) * (count - i - 1));
        --count;
        return true;
      }
    }
    return false;
  }

  // Room for at least n elements in one block, so that n additions copy
  // nothing on the way; false when the block cannot be had (the array is
  // left as it was).
  bool Reserve(int n) {
    if (items != nullptr && n <= capacity) return true;
    return GrowTo(n > capacity ? n : capacity);
  }

  // Frees the block and returns to the state of a new array.
  void RemoveAll() {
    EngFree(items);
    items = nullptr;
    count = 0;
    capacity = initialCapacity;
  }

  int count = 0;
  int capacity = kDefaultCapacity;
  int initialCapacity = kDefaultCapacity;
  T* items = nullptr;

 private:
  bool Grow() { return GrowTo(static_cast<std::int64_t>(capacity) * 2); }

  bool GrowTo(std::int64_t newCapacity) {
    const std::uint64_t bytes = static_cast<std::uint64_t>(newCapacity) * sizeof(T);
    // Sizes beyond 32 bits count as a failed allocation.
    if (newCapacity > INT_MAX || bytes > UINT32_MAX) return false;
    T* block = static_cast<T*>(EngAlloc(static_cast<std::size_t>(bytes)));
    if (block == nullptr) return false;
    Slots::Prepare(block, static_cast<int>(newCapacity));
    if (count > 0) std::memcpy(static_cast<void*>(block), items, sizeof(T) * count);
    EngFree(items);
    items = block;
    capacity = static_cast<int>(newCapacity);
    return true;
  }

  void Swap(EngArray& other) noexcept {
    std::swap(count, other.count);
    std::swap(capacity, other.capacity);
    std::swap(initialCapacity, other.initialCapacity);
    std::swap(items, other.items);
  }
};

// The record form: an array created with the initial capacity its user
// chooses, with one int after the items that belongs to that user.
template <class T, class Slots = EngLeaveSlots>
class RecordArray : public EngArray<T, Slots> {
 public:
  explicit RecordArray(int initial) : EngArray<T, Slots>(initial) {}
  int userValue = 0;
};

}  // namespace engine
