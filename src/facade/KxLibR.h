#pragma once
// KxLibR, the page's handle on one 3D shape: it owns the shape's scene (an
// engine MDocObj) and the view part (KxLibV) that renders it, and it is the
// only way the page reaches the engine. Every operation answers 0 or more
// for success and a FacadeResult code for failure, clears any engine
// failure it met, and lets no exception out.
//
// Declaration by topic, with the file of each topic:
//   KxLibR.cpp             life cycle, queries, the failure convention
//   KxLibR_Files.cpp       opening, merging, saving and duplicating scene files
//   KxLibR_MergedList.cpp  the ".Z4K" side file of merged library files
//   KxLibR_Library.cpp     human and item files from the library on the figures
//   KxLibR_Anims.cpp       poses and animations, and animations kept for undo
//   KxLibR_Edits.cpp       selection, moves, scales, the grid, face colours, statistics
//   KxLibR_Figures.cpp     the person composer's figure operations
//   KxLibR_FaceColour.cpp  the colour a face shows, for the page's eyedropper
#include <map>
#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "engine/core/EngArrays.h"
#include "facade/FacadeResult.h"
#include "facade/KxLibAnim.h"
#include "platform/WinTypes.h"

namespace engine {
class MDocObj;
class MObject;
struct PointRecord;
struct SelectionInfo;
}

namespace facade {

class KxLibV;

// Save flags: the package members are deflated (else stored).
inline constexpr int kSaveCompressed = 2;

// The kind a saved scene package begins with.
inline constexpr int kScenePackageKind = -101;

class KxLibR {
 public:
  // No scene yet (an open gives one) and a view part made with the current
  // renderer switch.
  KxLibR();
  ~KxLibR();
  KxLibR(const KxLibR&) = delete;
  KxLibR& operator=(const KxLibR&) = delete;

  // ---- life cycle and queries: KxLibR.cpp ----------------------------------
  // The material library's data folder, which the page sets before opening
  // a file (library files are looked up in it).
  std::string GetLibraryFolder() const { return libraryFolder_; }
  void SetLibraryFolder(const std::string& folder) { libraryFolder_ = folder; }
  // The scene; null only before the first open.
  engine::MDocObj* GetScene() { return scene_.get(); }
  // Takes over a scene made elsewhere (a figure built in memory); the
  // previous one is deleted. It counts as read: transparency is tested and
  // key-green materials are moved off the key colour.
  void SetScene(std::unique_ptr<engine::MDocObj> scene);
  KxLibV& GetView() { return *view_; }
  // Whether some material of the scene is transparent: such a scene is
  // rendered on two backgrounds instead of the green key.
  bool HasTransparentMaterial() const { return hasTransparentMaterial_; }
  // The library file last applied to each top-level object (by index);
  // empty entries for objects without one.
  const std::vector<std::string>& GetMergedLibraryPaths() const { return mergedLibraryPaths_; }
  bool IsTempHumanApplied() const { return tempHumanApplied_; }
  // Takes every frame-0 key of the scene's animation tracks again from the
  // figures as they stand (after a drag). 0 or -1.
  int RecordPoseKeys();
  // Whether the top-level object at the index is a group holding a figure.
  bool IsFigureIndex(int index);

  // ---- scene files: KxLibR_Files.cpp ----------------------------------------
  // Replaces the scene by the one in the file (a plain scene file or a scene
  // package); every layer becomes visible and editable. 0, or -9 / -1 with
  // an empty scene in place.
  int Open(const std::string& path);
  // Reads the file into `scene` and `view` (the view list of the file goes
  // to the view part). 0, -9 (cannot be read) or -1 (out of memory). The
  // scene is the caller's whatever the answer: a failed read may leave it
  // partly filled, and the caller deletes it.
  int ReadSceneFile(const std::string& path, engine::MDocObj& scene, KxLibV& view);
  // Adds the objects of another scene file to this scene. On failure the
  // scene is as it was (morph-target names already made unique aside).
  int MergeFile(const std::string& path);
  // Saves the scene as a package. With `background` the view's background
  // colour is that colour in the file. With a folder name, and when a
  // composed human was applied, the ".Z4K" side file is written too (its
  // failure does not change the answer). 0 or -12; a failed save leaves the
  // previous file as it was.
  int SaveWithOptions(const std::string& path, int flags, const platform::COLORREF* background,
                      const std::string& sideFileFolder);
  // Writes `scene` with `view`'s view list as a package of kind -101. The
  // scene is left deselected. 0 or -12.
  int WriteSceneFile(const std::string& path, int flags, engine::MDocObj& scene, KxLibV& view);
  // Saves only the selected objects (with the morph targets they use). 0,
  // -1 or -12.
  int SaveSelectionToFile(const std::string& path, int flags);
  // A copy of this figure made through a temporary file; null on failure.
  // The copy has no library folder and no merged-file record.
  std::unique_ptr<KxLibR> Duplicate();

  // ---- the ".Z4K" side file: KxLibR_MergedList.cpp --------------------------
  // The side file of a scene file: its path with the extension ".Z4K".
  static std::string MergedListPath(const std::string& scenePath);
  // Appends the side file's lines (CR LF ended; text after the last CR LF
  // is not a line) to `out`. A missing side file adds nothing. Answers 0.
  static int ReadMergedListFile(const std::string& scenePath, std::vector<std::string>& out);
  // Writes the merged library paths, one per line, each cut after the
  // first occurrence of the folder name. Nothing when there are none. 0, or
  // -12 with the side file removed.
  int WriteMergedListFile(const std::string& scenePath, const std::string& folderName);

  // ---- library files on the figures: KxLibR_Library.cpp ----------------------
  // Selects the posable figures among the top-level object at the index
  // (-1: every object) and lists them. 1, or -1 with nothing selected when
  // there is none.
  int CollectFigureObjects(int objectIndex, engine::PtrArray& figures);
  // Applies a human or item file (items end in "z4i") to each figure at the
  // index (-1: every figure). With `saveCopy` the figures are first saved
  // to a new temporary file, whose path comes back in `savedCopy` (empty
  // otherwise) so that ReplaceWithFile can put them back. 0 or negative;
  // a failure part way leaves what was done so far. The scene is left
  // deselected.
  int ApplyLibraryFile(const std::string& path, int objectIndex, std::string& savedCopy, bool saveCopy);
  // Applies entry i (unless empty) to object i; -30 when one fails.
  int ApplyLibraryFiles(const std::vector<std::string>& paths);
  // Merges the file and lets its objects take the places, turns and
  // animations of the figures at the index, one object for each. 1 or
  // negative (a merge of another object count changes nothing).
  int ReplaceWithFile(const std::string& path, int objectIndex);
  // The item replaces one attached before, takes the target's pose and
  // gets the item's or the library's default hands. 0 or -1.
  int ApplyItemFile(const std::string& path, engine::MObject* target);
  // The human takes the selected target's place, turn, pose and animation;
  // items the target carried move onto it. 0 or negative.
  int ApplyHumanFile(const std::string& path, engine::MObject* target);

  // ---- poses and animations: KxLibR_Anims.cpp --------------------------------
  // Poses the selected figures (the pose's length unit converted to the
  // scene's). 0 or -1.
  int ApplyPose(KxLibAnim& holder);
  // Shows the scene's animation at the frame, which becomes current. 0 or -1.
  int SetFrame(int frame);
  // Appends clones of the selected objects' animations (made where they
  // have none) with their objects' indices. 0, or -1 with what was appended
  // so far kept.
  int CollectSelectionAnims(KxLibAnimArray& saved);
  // The animations of the top-level object at the index (-1: of every
  // object), made where they have none as posing needs; an object that had
  // none is kept as it stands, so that putting it back takes the made
  // animation away again. Leaves the scene deselected. 0 or -1.
  int SaveAnims(int objectIndex, KxLibAnimArray& saved);
  // Puts saved animations back on their objects and shows frame 0; an
  // object saved as having none loses the animation it got and stands
  // exactly as it stood. 1 or -1.
  int RestoreAnims(const KxLibAnimArray& saved);
  // Applies an animation file to the object at the index (-1: every object)
  // in place of its keys; unless told not to, what it replaced goes to
  // `saved` first. 0; -1 when it fits nothing or the engine failed; -9 when
  // the file cannot be read. The scene is left deselected.
  int ApplyAnimFile(const std::string& path, int objectIndex, KxLibAnimArray& saved, bool noUndoCopy);

  // ---- scene edits: KxLibR_Edits.cpp ----------------------------------------
  // Mode 0: every object gets the state. Mode 1: every object the opposite
  // state, then the top-level object at the index the state; other modes
  // only that object. Answers the index.
  int SetSelection(int mode, bool state, int objectIndex);
  void SelectNone();
  // Deletes the selected objects and commits the step.
  void DeleteSelection();
  // Scales the selection uniformly about its centre or the given point.
  void ScaleSelection(bool aboutCentre, double factor, double x, double y, double z);
  void MoveSelection(double dx, double dy, double dz);
  // Scales the selection so that the first selected object is `height`
  // high; an object without height stays as it is.
  void ScaleSelectionToHeight(double height);
  // The floor grid with size 100 (kind and divisions kept), then the scene
  // rendered in the page's style with the camera fitted to it.
  void ResetGridAndRender();
  // Colours one face (by mesh and face number) and shows frame 0; answers
  // the colour it had, or -1 when there is no such face.
  int SetElementColor(int meshIndex, int faceId, platform::COLORREF colour);
  // The selection's kind and element counts, and the numbers of selected
  // objects, figures among them and quads (x, y, z of `counts`).
  bool GetSceneInfo(engine::SelectionInfo& info, engine::PointRecord& counts);

  // ---- figures of the person composer: KxLibR_Figures.cpp -------------------
  // The selected figure's height (its top end to the joint below it) and
  // that lower joint, in the scene. 0; -1 (height -1) without one figure
  // group selected.
  int GetFigureHeight(double& height, double& x, double& y, double& z);
  // The selected skeleton becomes a boned figure holding the other selected
  // objects, which are bound to it. 0 or -1.
  int BuildFigureFromSelection();
  // With two matching bound figures selected, the one selected first takes
  // over the other's body (its group goes). 0 or -1 (nothing changed).
  int TransferPose();
  // Writes the figures alone and the other objects alone into two new
  // temporary files (the caller deletes them); every animation track goes.
  // 1 when split; 0 when the scene holds only figures (no file written);
  // -1 or -12 with no file left. The scene keeps only the other objects.
  int SplitFiguresAndProps(std::string& figurePath, std::string& propPath);

  // ---- the colour of a face: KxLibR_FaceColour.cpp ----------------------------
  // The colour of one face (by mesh and face number, as KxLibV::PickFace
  // gives them): its material's, or that of a figure face's expression
  // textures. -1 when there is no such face or its colour cannot be read (a
  // patterned texture).
  int GetElementColor(int meshIndex, int faceId);

 private:
  // Takes a freshly read scene: a new empty one stands in on failure.
  void InstallScene(std::unique_ptr<engine::MDocObj> scene);
  // The transparency test and the key-green guard of a scene just read.
  void TakeReadScene(engine::MDocObj& scene);

  // A colour the bucket set on a face's material: what it replaced, as the
  // 8-bit value the page keeps for undo and as the material had it.
  struct PaintedColour {
    platform::COLORREF painted;
    platform::COLORREF replaced;
    engine::PointRecord exact;
  };

  std::unique_ptr<engine::MDocObj> scene_;
  std::unique_ptr<KxLibV> view_;
  // By mesh and face number, the latest last.
  std::map<std::pair<int, int>, std::vector<PaintedColour>> paintedColours_;
  bool hasTransparentMaterial_ = true;
  std::vector<std::string> mergedLibraryPaths_;
  bool tempHumanApplied_ = false;
  std::string libraryFolder_;
};

}  // namespace facade
