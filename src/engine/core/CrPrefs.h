#pragma once
// The engine's settings: colours for drawing elements, the texture size
// limit, drawing and picking switches, and groups of preference values with
// reset, get and set operations. One instance lives in the engine context
// (`prefs`) while the engine runs. Nothing here is loaded or saved: the
// values are these defaults unless a caller sets them.
//
// The groups A to R hold values that nothing in the engine reads besides the
// named settings; each group is a record whose defaults are its member
// initialisers, so reset, get and set are whole-record copies.
#include <string>

#include "platform/WinTypes.h"

namespace engine {

// What the window position operations need of a top-level window.
class EngWindow {
 public:
  virtual ~EngWindow() = default;
  virtual platform::RECT GetWindowRect() const = 0;  // screen coordinates
  virtual bool IsVisible() const = 0;
  virtual platform::RECT GetScreenRect() const = 0;  // the screen the window is shown on
  // Moves the window's top-left corner, keeping its size and stacking order.
  virtual void MoveTo(int left, int top) = 0;
  virtual void Show() = 0;
};

struct PrefColour {
  int r;
  int g;
  int b;
  friend bool operator==(const PrefColour&, const PrefColour&) = default;
};

// Colour table entries with a role of their own.
enum PrefColourEntry : int {
  kColourDefault = 0,
  kColourLine = 1,        // entries 1 to 3: line colours of mesh drawing
  kColourSpecialLine = 2,
  kColourSpecialLine2 = 3,
  kColourDimmed = 4,      // replaces 1 to 3 for dimmed objects and mirrored copies
  kColourVertex = 5,
  kColourMirrorCopy = 6,
  kColourFeaturePoint = 7,
  kColourKind6 = 10,
  kColourKind7 = 11,
};
constexpr int kPrefColourCount = 12;

struct PrefGroupA { int values[4] = {1, 1, 1, 1}; };
struct PrefGroupB { int value = 1; };
struct PrefGroupC { int value = 20; int more[3] = {1, 72, 1}; };
struct PrefGroupE { int value = 12; int more[7] = {1, 0, 0, 9, 1, 15, 1}; };
struct PrefGroupG { int value = 1; };
struct PrefGroupH { double value = 100.0; int flag = 1; };
struct PrefGroupI { int values[3] = {60, 4, 0}; double factor = 1.0; };
struct PrefGroupJ { int values[4] = {100, 100, 100, 1}; };
struct PrefGroupK { double values[9] = {0, 0, 0, 0, 0, 0, 100, 100, 100}; int more[4] = {1, 1, 200, 100}; };
struct PrefGroupL { double values[9] = {0, 0, 0, 0, 0, 0, 100, 100, 100}; int more[2] = {1, 1}; };
struct PrefGroupM { int values[2] = {3, 1}; };
struct PrefGroupN { int values[3] = {50, 50, 2}; };
struct PrefGroupO { double values[3] = {10.0, 10.0, 10.0}; int more[2] = {8, 8}; };
struct PrefGroupP { double values[2] = {10.0, 10.0}; int more[2] = {8, 8}; };
struct PrefGroupQ { int values[4] = {0, 0, 200, 200}; };

class CrPrefs {
 public:
  CrPrefs();
  virtual ~CrPrefs() = default;
  CrPrefs(const CrPrefs&) = delete;
  CrPrefs& operator=(const CrPrefs&) = delete;

  // ---- window position ----------------------------------------------------
  // The window's left and top, each stored as 16 bits and 0 when that is
  // negative, packed with top in the low and left in the high half; and
  // whether the window is visible.
  void SaveWindowPos(const EngWindow& window, int& packedPosition, bool& visible) const;
  // Moves the window to the packed position when it and the point 30 pixels
  // right and down of it are on the screen; otherwise to the position
  // clamped 30 pixels inside the screen, or to (200, 200) when even that
  // is off it. Shows the window when asked.
  void RestoreWindowPos(EngWindow& window, int packedPosition, bool show) const;

  // ---- colours ------------------------------------------------------------
  // The colour table and the drawing settings that go with it.
  void ResetColors();
  // Saves line colours 1 to 3 and the vertex display mode, then draws lines
  // in the dimmed colour and no vertices. A second call before RestoreColors
  // saves the dimmed colours, losing the first ones.
  void UseHighlightColors();
  void RestoreColors();

  // ---- groups -------------------------------------------------------------
  void ResetGroupA() { groupA = {}; }
  void GetGroupA(PrefGroupA& out) const { out = groupA; }
  void SetGroupA(const PrefGroupA& in) { groupA = in; }
  int GetGroupB() const { return groupB.value; }
  void SetGroupB(int value) { groupB.value = value; }
  void ResetGroupC() { groupC = {}; }
  int GetGroupC() const { return groupC.value; }
  void SetGroupC(int value) { groupC.value = value; }
  // Groups D and F hold named settings; they have a reset only.
  void ResetGroupD();
  void ResetGroupE() { groupE = {}; }
  int GetGroupE() const { return groupE.value; }
  void ResetGroupF();
  int GetGroupG() const { return groupG.value; }
  void SetGroupG(int value) { groupG.value = value; }
  void ResetGroupH() { groupH = {}; }
  void GetGroupH(PrefGroupH& out) const { out = groupH; }
  void SetGroupH(const PrefGroupH& in) { groupH = in; }
  void ResetGroupI() { groupI = {}; }
  void GetGroupI(PrefGroupI& out) const { out = groupI; }
  void SetGroupI(const PrefGroupI& in) { groupI = in; }
  void ResetGroupJ() { groupJ = {}; }
  void GetGroupJ(PrefGroupJ& out) const { out = groupJ; }
  void SetGroupJ(const PrefGroupJ& in) { groupJ = in; }
  void ResetGroupK() { groupK = {}; }
  void GetGroupK(PrefGroupK& out) const { out = groupK; }
  void SetGroupK(const PrefGroupK& in) { groupK = in; }
  void ResetGroupL() { groupL = {}; }
  void GetGroupL(PrefGroupL& out) const { out = groupL; }
  void SetGroupL(const PrefGroupL& in) { groupL = in; }
  void ResetGroupM() { groupM = {}; }
  void GetGroupM(PrefGroupM& out) const { out = groupM; }
  void SetGroupM(const PrefGroupM& in) { groupM = in; }
  void ResetGroupN() { groupN = {}; }
  void ResetGroupO() { groupO = {}; }
  void GetGroupO(PrefGroupO& out) const { out = groupO; }
  void SetGroupO(const PrefGroupO& in) { groupO = in; }
  void ResetGroupP() { groupP = {}; }
  void GetGroupP(PrefGroupP& out) const { out = groupP; }
  void SetGroupP(const PrefGroupP& in) { groupP = in; }
  void ResetGroupQ() { groupQ = {}; }
  // R1 to R4: one int each (defaults 5, 50, 12, 20).
  void ResetGroupR1() { groupR[0] = kDefaultGroupR[0]; }
  void ResetGroupR2() { groupR[1] = kDefaultGroupR[1]; }
  void ResetGroupR3() { groupR[2] = kDefaultGroupR[2]; }
  void ResetGroupR4() { groupR[3] = kDefaultGroupR[3]; }
  int GetGroupR1() const { return groupR[0]; }
  int GetGroupR2() const { return groupR[1]; }
  int GetGroupR3() const { return groupR[2]; }
  int GetGroupR4() const { return groupR[3]; }
  void SetGroupR1(int value) { groupR[0] = value; }
  void SetGroupR2(int value) { groupR[1] = value; }
  void SetGroupR3(int value) { groupR[2] = value; }
  void SetGroupR4(int value) { groupR[3] = value; }

  // ---- settings read across the engine --------------------------------------
  PrefColour colours[kPrefColourCount];
  int vertexDisplayMode = 2;  // how mesh drawing shows vertices; 0 none
  int lineDisplayMode = 1;
  int drawStyleB = 1;
  int mirrorPass = 0;  // 1 while the scene draws the mirrored copy of a symmetric object
  int drawStyleC = 2;
  int viewMode = 0;
  int textureLimitOn = 1;  // textures limited to the two sizes below
  int textureMaxWidth = 512;
  int textureMaxHeight = 512;
  int boxHandlesOff = 0;  // object picking leaves out the face handles of the box
  unsigned char namedTextures = 0;  // textures kept as named texture objects
  unsigned char viewFlags[4] = {1, 1, 1, 1};
  int trackFlag = 1;  // the bone rotation tracker turns every bone from the pressed joint
  unsigned char xorOverlayLines = 1;  // the view's screen rubber bands (overlay kind 10) drawn with XOR
  int overlayThinning = 1;  // long overlay line lists drawn thinned by the view's overlay step
  // How animations hold objects against edits (MDocObj::IsAnimationActive):
  // 1 only against moves and scaling, 2 only purpose 0, 3 never, others always.
  int animationEdit = 1;
  int sceneMode = 1;
  int sceneOptionA = 0;
  int sceneOptionB = 0;
  int sceneOptionC = 0;
  int worldAxisMark = 0;  // the scene shows its axis mark at the origin
  int smoothSurfaceLevel = 2;  // subdivision levels of smooth surfaces the scene builds again

  // ---- further values -------------------------------------------------------
  std::string textA;
  std::string textB;
  double distanceValue = 10.0;
  std::string keyLetters = "vapnhirlcmzkdeytfgbowju";
  int groupDValues[4] = {1, 1, 1, 2};    // after the texture limits
  int groupDMore[5] = {1, 0, 0, 0, 0};   // after boxHandlesOff
  int groupFValues[7] = {450, 400, 400, 550, 0, 0, 0};
  PrefGroupA groupA;
  PrefGroupB groupB;
  PrefGroupC groupC;
  PrefGroupE groupE;
  PrefGroupG groupG;
  PrefGroupH groupH;
  PrefGroupI groupI;
  PrefGroupJ groupJ;
  PrefGroupK groupK;
  PrefGroupL groupL;
  PrefGroupM groupM;
  PrefGroupN groupN;
  PrefGroupO groupO;
  PrefGroupP groupP;
  PrefGroupQ groupQ;
  static constexpr int kDefaultGroupR[4] = {5, 50, 12, 20};
  int groupR[4] = {kDefaultGroupR[0], kDefaultGroupR[1], kDefaultGroupR[2], kDefaultGroupR[3]};

  // What UseHighlightColors saved.
  PrefColour savedLineColours[3] = {};
  int savedVertexDisplayMode = 0;
};

}  // namespace engine
