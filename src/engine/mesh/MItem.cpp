#include "engine/mesh/MItem.h"

namespace engine {

MItem::~MItem() {
  // Through a volatile store: the mark must survive the end of the object's
  // lifetime, because damaged links are recognised by it.
  *static_cast<volatile int*>(&id) = kItemDestroyedId;
}

void MItem::Unlink() {
  if (prev != nullptr) prev->next = next;
  if (next != nullptr) next->prev = prev;
  prev = nullptr;
  next = nullptr;
}

bool MItemIsLive(const MItem* item) {
  return item != nullptr && item->state != kItemRemoved && item->state != kItemCreatedRemoved;
}

}  // namespace engine
