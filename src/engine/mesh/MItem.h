#pragma once
// The header every mesh element shares, the lists that hold elements, and
// the parts of the element protocol that are the same for every class.
//
// Elements live in intrusive doubly linked lists (MItemList) owned by their
// mesh: one live list per class and one "removed" holder per class for the
// elements removed, or saved before a change, during the current edit step.
// The mesh's undo exchanges the two.
//
// The protocol of every element class:
//   construct   state 1 (created), no links; the factory links it
//   Clone       a new element of the class filled by CopyTo; copy = clone
//   CopyTo      every field but the list links (holder pointer included)
//   RemapRefs   after a mesh copy: references replaced by their copy links
//   SaveUndo    before a change: a copy in state 5 goes into the holder
//   Remove      the class's own detaching, then into the holder (state 2/6)
//   ReadFrom / ResolveIndices / WriteTo   the element's record
#include "engine/core/EngAlloc.h"
#include "engine/core/EngRuntime.h"

namespace engine {

// Edit states of an element (`state`).
enum MItemState : int {
  kItemUnchanged = 0,       // live and unchanged since the mesh's last checkpoint
  kItemCreated = 1,         // created since the last checkpoint (also every sentinel)
  kItemRemoved = 2,         // removed this step; it sits in its class's removed holder
  kItemSaved = 5,           // changed this step; a copy of it as it was sits in the holder
  kItemCreatedRemoved = 6,  // created and removed within the same step
};

// The `id` of an element whose destructor has run.
constexpr int kItemDestroyedId = -808;

class MItem : public EngHeapObject {
 public:
  MItem() = default;
  // Marks the element destroyed (`id` -808). Deleting through an MItem
  // pointer returns the storage to the element class's own allocator.
  virtual ~MItem();
  MItem(const MItem&) = delete;
  MItem& operator=(const MItem&) = delete;

  // The header fields every CopyTo passes on: id, state and copy link (never
  // the list links).
  void CopyHeaderTo(MItem* target) const {
    target->id = id;
    target->state = state;
    target->copy = copy;
  }

  // Takes the element out of the list it is in: its predecessor (possibly
  // the list's sentinel) and successor are joined. The holder's count does
  // not change; the element's own links become null.
  void Unlink();

  // Its number in its mesh's live list (records refer to elements by it), or
  // a visit stamp of a walk; -808 once destroyed.
  int id = 0;
  int state = kItemCreated;
  // While a mesh is copied: the clone made from this element. On a saved
  // copy in a holder: the live element it was saved from.
  MItem* copy = nullptr;
  // The previous element of the list, or the list's sentinel for the first.
  MItem* prev = nullptr;
  MItem* next = nullptr;
};

// A non-null element that is neither removed (2) nor created-and-removed (6).
bool MItemIsLive(const MItem* item);

// A holder of the elements of one class: a count and an embedded sentinel
// element whose `next` is the first element. New elements go at the head.
template <class T>
class MItemList : public EngHeapObject {
 public:
  MItemList() = default;
  // Deletes every element, then the sentinel goes with the holder.
  ~MItemList() { DeleteElements(); }
  MItemList(const MItemList&) = delete;
  MItemList& operator=(const MItemList&) = delete;

  T* First() const { return static_cast<T*>(sentinel.next); }
  bool IsEmpty() const { return sentinel.next == nullptr; }

  // Links the element at the head; `count` + 1.
  void Add(T* element) {
    element->prev = &sentinel;
    element->next = sentinel.next;
    if (sentinel.next != nullptr) sentinel.next->prev = element;
    sentinel.next = element;
    ++count;
  }

  // Links the element right after `after` (at the head when null); `count` + 1.
  void InsertAfter(MItem* after, T* element) {
    if (after == nullptr) {
      Add(element);
      return;
    }
    element->prev = after;
    element->next = after->next;
    if (after->next != nullptr) after->next->prev = element;
    after->next = element;
    ++count;
  }

  // Deletes every element (pooled storage goes back to its pool) and
  // empties the holder: sentinel links null, `count` 0.
  void Clear() {
    DeleteElements();
    sentinel.prev = nullptr;
    sentinel.next = nullptr;
    count = 0;
  }

  // The number of elements, by walking (`count` never decreases on unlink).
  int Length() const {
    int n = 0;
    for (const MItem* e = sentinel.next; e != nullptr; e = e->next) ++n;
    return n;
  }

  // Reverses the order of the elements; readers and copies use it because
  // factories link at the head.
  void Reverse() {
    MItem* reversed = nullptr;
    MItem* e = sentinel.next;
    while (e != nullptr) {
      MItem* following = e->next;
      e->next = reversed;
      if (reversed != nullptr) reversed->prev = e;
      reversed = e;
      e = following;
    }
    sentinel.next = reversed;
    if (reversed != nullptr) reversed->prev = &sentinel;
  }

  // Range-for over the elements as T pointers. Do not unlink the current
  // element inside such a loop; walk with an explicit next pointer instead.
  class Iterator {
   public:
    explicit Iterator(MItem* e) : e_(e) {}
    T* operator*() const { return static_cast<T*>(e_); }
    Iterator& operator++() {
      e_ = e_->next;
      return *this;
    }
    bool operator!=(const Iterator& other) const { return e_ != other.e_; }

   private:
    MItem* e_;
  };
  Iterator begin() const { return Iterator(sentinel.next); }
  Iterator end() const { return Iterator(nullptr); }

  int count = 0;
  // Header id 0, state 1, no copy, no prev; its body is that of a new
  // element without holder.
  T sentinel;

 private:
  void DeleteElements() {
    MItem* e = sentinel.next;
    while (e != nullptr) {
      MItem* following = e->next;
      delete e;
      e = following;
    }
  }
};

// The parts of the protocol that every element class shares. T provides
// `holder` (its mesh's removed holder of the class, or null) and CopyTo.
template <class T>
class MElement : public MItem {
 public:
  T* Next() const { return static_cast<T*>(next); }
  T* Prev() const { return static_cast<T*>(prev); }
  T* Copy() const { return static_cast<T*>(copy); }

 protected:
  // A new element of the class with no holder, filled by CopyTo; this
  // element's copy link becomes the clone. Null at once when the failure
  // state is 2; out of memory records reason 1.
  T* CloneElement() {
    if (EngContext().failState == kEngFailFailed) return nullptr;
    T* clone = new (std::nothrow) T();
    if (clone == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return nullptr;
    }
    Self()->CopyTo(clone);
    copy = clone;
    return clone;
  }

  // CloneElement for classes whose CopyTo can run out of memory: a clone
  // whose copy failed is deleted and the answer is null.
  T* CloneElementOrNull() {
    T* clone = CloneElement();
    if (clone != nullptr && EngContext().failState == kEngFailFailed) {
      delete clone;
      copy = nullptr;
      return nullptr;
    }
    return clone;
  }

  // Before a change: unless created (1) or already saved (5) in this step, a
  // clone in state 5 pointing back at this element goes to the head of the
  // holder, and this element becomes 5. Nothing when the failure state is 2.
  void SaveUndoElement() {
    if (EngContext().failState == kEngFailFailed) return;
    if (state == kItemCreated || state == kItemSaved) return;
    ENG_FATAL_IF(Self()->holder == nullptr);
    T* clone = Self()->Clone();
    // A clone that was made is always filed, so it cannot leak even when an
    // older soft refusal is still recorded.
    if (clone == nullptr) return;
    clone->copy = this;
    clone->state = kItemSaved;
    state = kItemSaved;
    Self()->holder->Add(clone);
  }

  // The common end of every Remove: out of the live list and into the
  // holder, state 6 when created in this step, otherwise 2.
  void MoveToHolder() {
    ENG_FATAL_IF(Self()->holder == nullptr);
    Unlink();
    state = state == kItemCreated ? kItemCreatedRemoved : kItemRemoved;
    Self()->holder->Add(Self());
  }

 private:
  T* Self() { return static_cast<T*>(this); }
};

}  // namespace engine
