// The page stream: header, object records in list order, grid record.
#include <algorithm>
#include <unordered_set>

#include "page/PnFile.h"
#include "page/ResultCodes.h"
#include "page/SDoc.h"

namespace page {
namespace {

// Ids grow by one per new object; a stored id this large can only be damage
// (and would let nextId overflow).
constexpr int kLargestStoredId = 0x3FFFFFFF;

[[noreturn]] void Damaged(const PnFile& file, const std::string& what) {
  throw PnFileError(kResultDamaged, file.GetPath() + ": " + what);
}

// The list's structure must hold before any command may rely on it: ids
// unique and in range, and every member directly inside a run that starts
// at its container (a group or panel frame earlier in the list).
void CheckStructure(const PnFile& file, const std::vector<std::unique_ptr<SObj>>& objects) {
  std::unordered_set<int> ids;
  std::vector<const SObj*> open;  // the containers whose run is still going on
  for (const auto& object : objects) {
    if (object->id < 0 || object->id > kLargestStoredId) Damaged(file, "object id out of range");
    if (!ids.insert(object->id).second) Damaged(file, "object id " + std::to_string(object->id) + " twice");
    while (!open.empty() && open.back()->id != object->parentId) open.pop_back();
    if (object->parentId != -1 && open.empty())
      Damaged(file, "object " + std::to_string(object->id) + " outside its container");
    if (object->flags & kObjContainer) open.push_back(object.get());
  }
}

}  // namespace

void SDoc::Write(PnFile& file) const {
  file.WriteInt(0);
  file.WriteInt(pageWidth_);
  file.WriteInt(pageHeight_);
  file.WriteInt(resolution);
  file.WriteInt(GetObjectCount());
  for (const auto& object : objects_) object->Write(file);
  grid.Write(file);
  file.WriteEmptyBlock();
}

void SDoc::Read(PnFile& file) {
  file.ReadInt();  // reserved
  const std::int32_t width = file.ReadInt();
  const std::int32_t height = file.ReadInt();
  // The resolution divides printing and conversion sizes.
  const std::int32_t dpi = std::max(file.ReadInt(), 1);
  const std::int32_t count = file.ReadInt();
  if (count < 0) Damaged(file, "negative object count");

  // Read everything aside first, so that damage leaves the page as it was.
  int id = nextId;
  std::vector<std::unique_ptr<SObj>> objects;
  for (std::int32_t i = 0; i < count; ++i) {
    auto object = std::make_unique<SObj>();
    object->id = id++;
    object->Read(file);
    objects.push_back(std::move(object));
  }
  CheckStructure(file, objects);
  SGridInfo readGrid = grid;
  readGrid.Read(file);
  file.SkipBlock();

  // Every shape reflects its stored values.
  for (const auto& object : objects) {
    PropGroup values;
    values.TakeFromObject(*object);
    values.ApplyToObject(*object, false);
  }
  int largest = -1;
  for (const auto& object : objects) largest = std::max(largest, object->id);
  SetPageSize(width, height);
  resolution = dpi;
  grid = readGrid;
  objects_ = std::move(objects);
  nextId = std::max(id, largest + 1);
}

}  // namespace page
