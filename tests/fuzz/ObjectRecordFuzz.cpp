// The engine's object records (groups, grids, meshes with their elements,
// materials and morphs). The first byte picks the file format version the
// record is read under; the rest is the record.
#include <memory>

#include "FuzzSupport.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MObject.h"
#include "engine/core/ObjectFactory.h"
#include "engine/core/QFile.h"
#include "engine/mesh/MMeshObj.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool installed = (engine::InstallMeshObjectServices(), true);
  (void)installed;
  if (size < 1) return 0;
  static constexpr int kVersions[] = {0, -1, -4, -5, -101};
  engine::EngContext().ClearFailure();
  engine::EngContext().formatVersion = kVersions[data[0] % 5];
  engine::QFile in(fuzzsupport::WriteInput(data + 1, size - 1, "object.bin"), platform::File::Mode::kRead);
  std::unique_ptr<engine::MObject> object(engine::ReadObject(in));
  engine::EngContext().ClearFailure();
  return 0;
}
