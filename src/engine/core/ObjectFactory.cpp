#include "engine/core/ObjectFactory.h"

#include <array>
#include <new>
#include <string>

#include "engine/core/EngRuntime.h"
#include "engine/core/MGridObj.h"
#include "engine/core/MGroupObj.h"
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"

namespace engine {
namespace {

constexpr int kHighestTag = 15;

MObject* NewEmptyObject() { return new (std::nothrow) MObject(); }
MObject* NewGroup() { return new (std::nothrow) MGroupObj(); }
MObject* NewGrid() { return new (std::nothrow) MGridObj(); }

struct Registry {
  std::array<ObjectCreator, kHighestTag + 1> creators{};
  PoolCompactor compactor = nullptr;
  Registry() {
    creators[kObjectEmpty] = NewEmptyObject;
    creators[kObjectGroup] = NewGroup;
    creators[kObjectGrid] = NewGrid;
  }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void RegisterObjectCreator(int typeTag, ObjectCreator creator) {
  ENG_FATAL_IF(typeTag < 0 || typeTag > kHighestTag || typeTag == kObjectScene);
  TheRegistry().creators[typeTag] = creator;
}

ObjectCreator FindObjectCreator(int typeTag) {
  if (typeTag < 0 || typeTag > kHighestTag) return nullptr;
  return TheRegistry().creators[typeTag];
}

MObject* ReadObject(QFile& file) {
  std::int32_t tag = 0;
  file.ReadInt(tag);
  if (!EngCheckNotTruncated(file, "object record")) return nullptr;
  const ObjectCreator create = FindObjectCreator(tag);
  if (create == nullptr) {
    EngRecordLoadFailure("object record: unknown object type " + std::to_string(tag));
    return nullptr;
  }
  MObject* object = create();
  if (object == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  if (EngContext().failState == kEngFailFailed) {
    delete object;
    return nullptr;
  }
  object->ReadFrom(file);
  if (EngContext().failState == kEngFailNone) return object;
  delete object;
  return nullptr;
}

void SetElementPoolCompactor(PoolCompactor compactor) { TheRegistry().compactor = compactor; }

void CompactElementPoolsIfInstalled() {
  if (PoolCompactor compact = TheRegistry().compactor) compact();
}

}  // namespace engine
