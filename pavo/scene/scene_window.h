// The scene window: the OpenGL window that draws a scene model (scene_model.h) with a view state
// (view_state.h) and turns input into changes of that state. It owns the model, one buffer object
// per drawn object (the only owner of its GL names, released with the context current), the
// shader programs with their "built" flags, the picking framebuffer and the text renderer.
#pragma once

#include "render/buffer_object.h"
#include "render/draw_object.h"
#include "render/glsl_catalogue.h"
#include "render/glsl_program.h"
#include "render/opengl_window.h"
#include "render/palette.h"
#include "render/text_renderer.h"
#include "scene/camera.h"
#include "scene/gl_frame.h"
#include "scene/glyph_packing.h"
#include "scene/render_option.h"
#include "scene/scene_model.h"
#include "scene/view_state.h"

#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QPair>
#include <QTimer>
#include <QVector3D>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class QOpenGLFunctions_4_0_Core;

namespace pavo {

// Program slots of a scene, one "built" flag each, indexed like the catalogue
// (glsl_catalogue.h): one slot per entry.
constexpr int kSceneProgramCount = kGlslProgramCount;

// Texts of the overlay that do not depend on the context (frame rate, palette title and values,
// cut-plane equation); pure so that they can be checked without a window.
struct PavOverlayTexts {
  std::string fps;                 // "FPS: %2.2f"
  std::string title;               // palette title, empty when no field is shown
  std::vector<std::string> values; // the five palette values, "%1.5lg"
  std::string plane;               // "Eqn: ..." when a cut plane is shown
};

// Title of the palette of a field: "Solution at Vertices"/"Solution at Elements" with
// " %d of %d" when several fields exist (index from 1), "Quality" or "Values" for values,
// "Normalized Jacobian" or "Minimal Jacobian" for Jacobians.
std::string paletteTitle(PavFieldKind kind, bool atVertices, int index, int count,
                         bool quality = false, bool minimalJacobian = false);

// Frames per second over the start times (milliseconds, oldest first) of the last frames drawn:
// (n - 1) frames over the time from the first to the last; 0 with fewer than two frames or no
// time between them.
double frameRate(const std::deque<qint64> &starts);

// The cut-plane equation a x + b y + c z + d = 0 as the overlay prints it.
std::string planeEquationText(const double eq[4]);

// Name of the catalogue program that draws a draw type ("TriSha", "P3EdgSha", ...), or null
// for types drawn by no program (volumes, fields, composites).
const char *programNameForType(uint32_t type);
// Name of the program that draws the elements of a curved triangle or quadrilateral type that are
// flat on screen, without tessellation ("P2TriFlatSha", "Q2QuaFlatSha", ...), or null for others.
const char *flatProgramNameForType(uint32_t type);

// The distance (scaled model units) within which a curved element is drawn as its flat element:
// the tessellation tolerance of 1.5 / level pixels over the largest magnification of mvp (to a
// frame of 2 halfWidth x 2 halfHeight pixels) anywhere in the unit sphere, where the scene is
// scaled to. Negative when the eye is too close to the sphere for a bound.
float flatTolerance(const QMatrix4x4 &mvp, float halfWidth, float halfHeight, int level);

// The palette bar's rectangle in device pixels (x0, y0, x1, y1, origin at the lower left) for
// a frame of width x height device pixels at the given pixel ratio: a vertical bar at the right
// edge, half the frame high and centred, its values written to its left.
void paletteBarRect(int width, int height, double ratio, int rect[4]);

// The orientation axes: unit vectors turned with the scene, kAxesLength long in normalised
// device coordinates, from (kAxesOrigin, kAxesOrigin) near the lower left corner.
constexpr float kAxesLength = 0.12f;
constexpr float kAxesOrigin = -0.85f;

// A text attached to a scene point, drawn over the frame.
// The glyph layers of a scene: metric ellipses or ellipsoids, and vector arrows.
enum class PavGlyphKind { Metric = 0, Arrow = 1 };

struct PavSceneLabel {
  QVector3D at;
  std::string text;
};

class PavSceneWindow : public OpenGLWindow {
  Q_OBJECT
public:
  explicit PavSceneWindow(QWindow *parent = nullptr);
  ~PavSceneWindow() override;

  // Registry. addObject takes ownership and returns the object; a null object does nothing; an
  // object already in the scene warns (except cut planes) and is not added again.
  PavDrawObject *addObject(std::unique_ptr<PavDrawObject> object);
  PavDrawObject *addObject(PavDrawObject *object) {
    return addObject(std::unique_ptr<PavDrawObject>(object));
  }
  // Takes the object out of the scene (its fields and buffer object are deleted) and hands it
  // back. Warns and gives null when the object is not in the scene.
  std::unique_ptr<PavDrawObject> removeObject(const PavDrawObject *object);
  // Deletes every object, field and buffer.
  void clearScene();
  bool contains(const PavDrawObject *object) const { return model.contains(object); }
  const QList<PavDrawObject *> &objectsOfType(uint32_t type) const {
    return model.objectsOfType(type);
  }
  int objectCount() const { return model.size(); }
  const PavSceneModel &sceneModel() const { return model; }

  // Field attachment (checks of the draw objects, then the upload to the target's buffer).
  // values hold nbrEnt * nbrNod floats (Lagrange coefficients per element, or per vertex with
  // atVertices). The field always passes to the scene: it becomes part of its target when
  // attached (true), and is deleted when refused (false).
  bool attachData(std::unique_ptr<PavDrawSolution> solution, PavDrawObject *object,
                  const float *values, int64_t nbrEnt, int nbrNod, bool atVertices = false);
  bool attachData(std::unique_ptr<PavDrawJacobian> jacobian, PavDrawObject *object,
                  const float *values, int64_t nbrEnt, int nbrNod);
  bool attachData(std::unique_ptr<PavDrawValue> value, PavDrawObject *object, const float *values,
                  int64_t nbrEnt, int nbrNod);
  // Any field kind (its fieldKind decides), with the same rules as the typed variants.
  bool attachField(std::unique_ptr<PavDrawField> field, PavDrawObject *object, const float *values,
                   int64_t nbrEnt, int nbrNod, bool atVertices = false);
  // Deletes the field of a kind attached to an object and its coefficients on the GPU.
  void detachField(PavFieldKind kind, PavDrawObject *object);
  // Re-uploads the coefficients of the field already attached to an object (same degree and
  // count), keeping its palette: stepping through solutions changes nothing else.
  bool updateFieldValues(PavFieldKind kind, PavDrawObject *object, const float *values,
                         int64_t nbrEnt, int nbrNod, bool atVertices);
  // Geometry of an object: nbrVer positions (3 floats each) and nbrElt elements of the node count
  // of its type (0-based vertex indices, canonical node order), uploaded to its buffer object at
  // once: the context must exist (waitForInit). The connectivity is kept in the model. Warns
  // when the object is not in the scene.
  bool attachData(PavDrawObject *object, int nbrVer, const float *xyz, int nbrElt, const int *elt);
  // Polygon geometry (types 75-77): nbrVer triangle corners of 5 floats (x, y, z and a
  // barycentric pair), one edge tag per triangle side (1: polygon side, 0: hidden diagonal), one
  // normal per triangle.
  bool attachPolygonData(PavDrawObject *object, int nbrVer, const float *data,
                         const unsigned *edgeTags, const float *normals);
  PavDrawField *fieldOf(PavFieldKind kind, const PavDrawObject *target) const;
  // Glyph triangles drawn over the objects and left out of picking: metric glyphs in the fixed
  // colour of "MetSha", arrows in their corners' colours ("VecArrowSha"). They replace the
  // layer's previous glyphs; an empty mesh removes them. Needs the context (waitForInit).
  // Returns the triangles the layer holds.
  int64_t setGlyphs(PavGlyphKind kind, const PavGlyphMesh &mesh);
  int64_t glyphTriangles(PavGlyphKind kind) const;

  // Shader definitions for the fields attached now (derived from the model).
  PavFieldState fieldState() const { return model.fieldState(); }
  // Releases every built program and variant.
  void resetShaders();
  bool programBuilt(int index) const {
    return index >= 0 && index < kSceneProgramCount && !programs[index].empty();
  }
  // The switches the face programs are built with for the current view state and pass: the
  // lighting model, picking and wire lines where they are the same for every face drawn.
  GlslSwitches fixedSwitches() const;

  // Picking: mode 1 and 3 render the id pass at window point (x, y) (logical pixels, y down) and
  // return the id there (0: background); mode 2 prints "performpicking isoline" and gives 0.
  void performPicking(int x, int y, int *id, int mode);
  const QList<PavPickEntry> &pickList() const { return picks; }

  void printGLInfo(bool withExtensions);
  void checkGLError(const char *file, int line);
  // Draws the frame without swapping and writes it (resolved when multisampled); see
  // screenshot.h for names and formats. Prints "Screen shot done in file" and returns true only
  // once the file is written; otherwise the reason goes to standard error.
  bool screenshot(const char *name);
  // Pixels of the frame as a screenshot reads them (RGBA, bottom row first), and their size.
  std::vector<uint8_t> grabFrame(int *width, int *height);
  // Largest width and height, in device pixels, that the context draws, picks and reads back
  // (the least of GL_MAX_VIEWPORT_DIMS, GL_MAX_RENDERBUFFER_SIZE and GL_MAX_TEXTURE_SIZE);
  // 0 before the context exists.
  int largestFrameSide() const { return largestSide; }

  // The view: camera, switches, cut plane, palette and field choice.
  PavViewState view;
  // Centre and scale of the view from a bounding box (min x, max x, min y, max y, min z, max z).
  void fitBoundingBox(const double box[6]);
  // Camera matrices of the frame, for positions already scaled into the unit sphere
  // ((p - sceneCentre) * sceneScale, what the programs compute from scaling and trans).
  PavCameraMatrices matrices() const;
  // The box the marks outline (min x, max x, min y, max y, min z, max z): by default the cube
  // around the scene's sphere; viewers give their mesh's box.
  virtual void boundingBox(double box[6]) const;

  // Texts of the overlay for the current state.
  PavOverlayTexts overlayTexts() const;

  // Window state that is not part of the view.
  bool displayEnabled = true;
  bool exitOnGLFailure = false;
  bool pickingPass = false;
  bool acceptsInteraction = true;
  double lastFps = 0; // the rate of the last frames drawn (frameRate)
  PavReferenceColours referenceColours;
  std::vector<PavSceneLabel> labels;
  // Marks drawn over the scene (never picked) as the switches say: the bounding box (showBox), the
  // cut plane's outline in the box (showCutPlane, while a cut is active), a cross at the scene
  // centre (showSceneCentre), and cornerPoints (x, y, z each) as points (showCorners).
  PavSceneSwitches switches;
  std::vector<float> cornerPoints;
  int textHeight = 24; // pixel height of the overlay text (and of the labels)

  QOpenGLFunctions_4_0_Core *functions() const { return gl; }
  PavTextRenderer &textRenderer() { return text; }

  void render() override;
  void initialize() override;

signals:
  // A frame (not a picking pass) was drawn with the view state as it is now.
  void frameDrawn();
  void pickingDone(pavo::PavDrawObject *object);
  void eltpickingDone(pavo::PavDrawObject *object);
  void edgpickingDone(pavo::PavDrawObject *object);
  void doCenterScene(pavo::PavDrawObject *object);
  void showSceneCenter();
  void computeMeshJacobian();
  void computeMeshJacobianMinimal();
  void showPlaneCenter();

public slots:
  void animate();

protected:
  // Whether an object's faces, with the others of its kind, close up around volumes seen from
  // outside: +1 with their corners counter-clockwise seen from outside, -1 clockwise, 0 not
  // closed (or not known: the base knows no object).
  // mvp: the frame's camera; a surface counts as closed only while its box lies wholly beyond
  // the near plane (boxBeyondNearPlane), so that the eye is outside.
  virtual int closedSideOf(const PavDrawObject *, const QMatrix4x4 & /*mvp*/) const { return 0; }
  // Whether every corner of the box (xmin, xmax, ymin, ymax, zmin, zmax in mesh coordinates)
  // lies beyond the near plane of the camera mvp.
  bool boxBeyondNearPlane(const double box[6], const QMatrix4x4 &mvp) const;
  // Draws the objects of one draw type with their buffer objects; returns the elements drawn.
  // The base draws nothing for types without a buffer.
  virtual int64_t renderType(uint32_t type, const QList<PavDrawObject *> &list,
                             const PavCameraMatrices &m, int *pickCounter);
  // Sets the object's scene colour for this draw (PavDrawObject::sceneColor).
  void sceneColourOf(PavDrawObject *o) const;
  // The program of a draw type, built for the current field state if its flag is clear and in
  // use with the uniforms that do not depend on the object; null when the type has none.
  // flat: the type's program for elements flat on screen (flatProgramNameForType).
  GlslProgram *useProgramForType(uint32_t type, const PavCameraMatrices &m, bool flat = false);
  // The CutPlane uniform: the plane while a cut is on and the object is clipped, else a plane
  // that keeps everything.
  QVector4D cutPlaneUniform(bool clipped) const;
  // Overlay text over the frame.
  virtual void renderOverlay(const PavCameraMatrices &m);
  // The palette title of a field shown (paletteTitle); viewers name the solution's place and its
  // index among the solutions of its kind.
  virtual std::string fieldTitle(const PavDrawField &field) const;
  // The field whose palette is shown: the first solution (when solutions are shown), else the
  // first value field, else the first Jacobian, provided it carries a palette; null otherwise.
  const PavDrawField *shownField() const;
  // The catalogue program of that name, built for the current field state and fixedSwitches()
  // unless that variant is built already, and in use; null when there is none.
  GlslProgram *useProgram(const char *name);
  // The orientation axes (AxisOn) over the frame.
  void renderAxes();
  // The palette bar of the shown field (PalOn), over everything drawn before it.
  void renderPaletteBar(const PavCameraMatrices &m);
  // True when a cut plane is given and switched on: only then is anything clipped.
  bool cutActive() const { return view.cutActive(); }
  // The face to cull (GL_BACK, GL_FRONT) for the closed surfaces of this frame, 0 for none.
  unsigned closedCulling(const PavCameraMatrices &m) const;
  unsigned frameCulling = 0;
  uint64_t frameNumber = 0; // frames and picking passes drawn, counted from 1
  PavBufferObject *bufferOf(const PavDrawObject *object) const;

  // Releases a buffer object's GL names with the context current, then deletes it.
  struct BufferRelease {
    PavSceneWindow *owner; // value-initialised to null by the handle's default constructor
    void operator()(PavBufferObject *b) const;
  };
  using BufferHandle = std::unique_ptr<PavBufferObject, BufferRelease>;
  BufferHandle makeBuffer(PavBufferObject *b) { return BufferHandle(b, BufferRelease{this}); }

  QOpenGLFunctions_4_0_Core *gl = nullptr;
  PavSceneModel model;
  // One buffer object per object of the model that has a buffer class.
  std::unordered_map<const PavDrawObject *, BufferHandle> buffers;
  // The built variants of each catalogue program, by GlslSwitches::key().
  std::map<uint32_t, GlslProgram> programs[kSceneProgramCount];
  PavFieldState builtState; // the field definitions the built programs were made with
  // Start times of the last frames drawn (not the picking passes), for the frame rate.
  static constexpr size_t kRateFrames = 10;
  QElapsedTimer frameClock;
  std::deque<qint64> frameStarts;
  GlslProgram textProgram;
  bool textProgramBuilt = false;
  PavTextRenderer text;
  bool textReady = false;
  int largestSide = 0;
  // Distance within which curved elements are drawn flat this frame (flatTolerance).
  float frameFlatTol = -1;
  PavPickingFramebuffer pickingFb;
  QList<PavPickEntry> picks;
  long frameClockMs = 0;
  // The palette bar and the axes, outside the model.
  std::unique_ptr<PavDrawObject> paletteBarObject;
  BufferHandle paletteBar;
  int paletteBarShape[4] = {0, 0, 0, 0}; // the rectangle its buffer holds
  BufferHandle axes;                     // the three axes as lines
  BufferHandle glyphs[2];                // by PavGlyphKind
  void renderGlyphs(const PavCameraMatrices &m);
  // The marks (scene_marks.cpp); their lines and points are uploaded again only when they change.
  void renderMarks(const PavCameraMatrices &m);
  BufferHandle marks, markPoints;
  std::vector<float> marksShown, markPointsShown;

private:
  // The per-element first-order values of a field given at the nbrEnt vertices of an object
  // (nbrNod must be 1), from the connectivity kept in the model; prints the attach messages and
  // returns false when it does not fit.
  bool vertexFieldPerElement(const PavDrawObject *object, const float *data, int64_t nbrEnt,
                             int nbrNod, std::vector<float> &out);
  // Converts and uploads the coefficients of the attached field of an object.
  bool uploadField(PavDrawField *field, PavDrawObject *object, const float *values, int64_t nbrEnt,
                   int nbrNod);
  // Makes the context current for an upload; false before the context exists.
  bool makeContextCurrent();
  int deviceWidth() const;
  int deviceHeight() const;
  QTimer timer;
};

} // namespace pavo
