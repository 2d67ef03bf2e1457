#pragma once
// SMix: the person composer's model. A body, a head, a hair style and any
// number of items, each read from a figure file of the library's "BodyMix"
// folders, stand in one 3D scene of a figure facade (scene object i + 1 is
// part i) and are shown as a preview. A body-ratio value blends three
// proportion presets (2, 5 and 8 heads tall) into the body and the head;
// the hair and the items have a size and up-down and front-back offsets
// relative to the body's head. Saving builds one figure on the bare
// skeleton and writes it as a human figure file.
#include <memory>
#include <string>
#include <vector>

#include "facade/KxLibAnim.h"
#include "facade/KxLibR.h"
#include "platform/WinTypes.h"

namespace platform {
class Dc;
}

namespace page {

// One part of the composition.
struct SMObj {
  enum Kind : int { kNone = -1, kBody = 0, kHead = 1, kHair = 2, kItem = 3 };
  int kind = kNone;
  std::string file;  // the figure file it was read from
  int ratio = 50;    // body ratio, 0 to 100
  int size = 50;     // 0 half, 50 as read, 100 double
  int upDown = 50;
  int frontBack = 50;
};

class SMix {
 public:
  // The library's files, relative to the data folder.
  static constexpr const char* kPresetFiles[3] = {"\\BodyMix\\2toshin.Z4W", "\\BodyMix\\5toshin.Z4W",
                                                  "\\BodyMix\\8toshin.Z4W"};
  static constexpr const char* kDefaultBody = "\\BodyMix\\DefaultBody.Z4T";
  static constexpr const char* kDefaultHead = "\\BodyMix\\DefaultHead.Z4T";
  static constexpr const char* kDefaultHair = "\\BodyMix\\DefaultHair.Z4T";
  static constexpr const char* kDefaultBone = "\\BodyMix\\DefaultBone.Z4T";

  SMix();
  virtual ~SMix();
  SMix(const SMix&) = delete;
  SMix& operator=(const SMix&) = delete;

  // Reads the presets and the default body, head and hair (or the bare
  // skeleton alone) from the data folder. 0 or the first facade code.
  int LoadDefaults(bool skeletonOnly);
  // Adds a part read from the file (a full path, or one relative to the
  // data folder starting with "\"). With `fit` a hair or item part is fitted
  // to the body and selected, a body or head part takes the body ratio.
  // 0 or a facade code (nothing added).
  int AddPart(int kind, const std::string& file, bool fit, bool useReference);
  // Puts the file in place of the part of that kind (for items the
  // selected one, else the first). A head file that carries hair replaces
  // the hair too. 0 or a facade code; on failure the old part stays.
  int SetPartFile(int kind, const std::string& file);
  // Blends the proportion presets into the body and the head; the hair and
  // items follow the changed body.
  void SetBodyRatio(int value);
  void GetSelectedPartValues(int& size, int& upDown, int& frontBack) const;
  void SetSelectedPartValues(int size, int upDown, int frontBack);
  // The next hair or item part becomes selected; past the last none.
  void SelectNextPart();
  // Removes the selected item; the hair is never removed (a beep).
  void DeleteSelectedPart();
  // The camera's two first turns, in degrees.
  void SetViewAngles(double horizontal, double vertical);
  // The rendered preview stretched into the rectangle on white. 0, or -1
  // without a picture.
  int DrawPreview(platform::Dc& dc, const platform::RECT& rect);
  // Builds the composed figure on the bare skeleton, scaled to
  // targetHeight, and saves it as a figure file. 0 or a facade code.
  int SaveComposedFigure(const std::string& path);

  // ---- state ----
  facade::KxLibR& Figure() { return *figure_; }
  const std::vector<SMObj>& Parts() const { return parts_; }
  int SelectedPart() const { return selectedPart_; }
  bool IsSaved() const { return saved_ != 0; }
  double RefHeight() const { return refHeight_; }
  const double* RefPoint() const { return refPoint_; }
  int targetHeight = 170;

 private:
  std::string ResolvePath(const std::string& file) const;
  int AddPartRecord(const SMObj& record, bool fit, bool useReference);
  void RemovePart(int part);
  void FitPart(int index, bool attach, bool useReference);
  void ApplyRatioPose(int value, SMObj& record, int objectIndex);
  double GetBodyHeight(double point[3]);
  int FirstPartOfKind(int kind) const;
  void SelectPartAlone(int part);
  void DeselectAll();
  // The replacement of one part by a file, read before the old part goes.
  // With `freshValues` the new part starts at size and offsets 50.
  int ReplacePartOfKind(int kind, const std::string& file, bool freshValues);
  void DeleteTempFiles();

  std::unique_ptr<facade::KxLibR> figure_;
  int saved_ = 1;
  std::vector<SMObj> parts_;
  int selectedPart_ = -1;
  facade::KxLibAnim presets_[3];
  double refHeight_ = -1.0;
  double refPoint_[3] = {0, 0, 0};
  std::string tempHeadFile_;
  std::string tempHairFile_;
};

}  // namespace page
