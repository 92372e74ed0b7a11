// The scene renderer: the one owner of the GL names a scene is drawn with (one buffer object per
// drawn object, the shader programs and their variants, the text renderer and its program, the
// palette bar, the axes, the glyph and mark buffers, the picking framebuffer) and of the GL work
// recorded for the next frame. Geometry, fields and glyphs are recorded on the CPU, with no
// context needed, and go to the GPU when the next frame starts. It draws a frame of a scene
// model seen with a view state through a context its owner makes current; it knows no window.
#pragma once

#include "render/buffer_object.h"
#include "render/camera.h"
#include "render/draw_object.h"
#include "render/gl_frame.h"
#include "render/glsl_catalogue.h"
#include "render/glsl_program.h"
#include "render/glyph_packing.h"
#include "render/palette.h"
#include "render/scene_model.h"
#include "render/text_renderer.h"
#include "render/view_state.h"

#include <QElapsedTimer>
#include <QList>
#include <QVector3D>
#include <deque>
#include <functional>
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

// What the renderer reads from its owner for every frame, by reference: the model and the view,
// the marks and labels, the frame's size, and the answers a viewer gives in its own way.
struct PavSceneSource {
  const PavSceneModel &model;
  const PavViewState &view;
  const PavSceneSwitches &switches;
  const PavReferenceColours &referenceColours;
  const std::vector<PavSceneLabel> &labels;
  const std::vector<float> &cornerPoints; // x, y, z each
  const int &textHeight;
  std::function<bool()> makeCurrent; // makes the context current; false while there is none
  std::function<int()> deviceWidth, deviceHeight;
  std::function<double()> devicePixelRatio;
  std::function<void(double box[6])> boundingBox;              // the box the marks outline
  std::function<std::string(const PavDrawField &)> fieldTitle; // the palette's title
  // +1 or -1 when an object's faces close up around volumes seen from outside (the sign: their
  // corners turn counter-clockwise or clockwise seen from outside), 0 otherwise: the faces
  // turned away from the eye are then culled.
  std::function<int(const PavDrawObject *, const QMatrix4x4 &mvp)> closedSideOf;
};

// Whether every corner of the box (xmin, xmax, ymin, ymax, zmin, zmax in mesh coordinates) lies
// beyond the near plane of the camera mvp, for positions scaled into the unit sphere by the view.
bool boxBeyondNearPlane(const double box[6], const QMatrix4x4 &mvp, const PavViewState &view);

class PavSceneRenderer {
public:
  explicit PavSceneRenderer(PavSceneSource source);
  // The owner calls release() first, while its context still exists.
  ~PavSceneRenderer();
  PavSceneRenderer(const PavSceneRenderer &) = delete;
  PavSceneRenderer &operator=(const PavSceneRenderer &) = delete;

  // Takes the context's functions (current now): fixed GL state, limits, the text renderer.
  void initialize(QOpenGLFunctions_4_0_Core *gl);
  QOpenGLFunctions_4_0_Core *functions() const { return gl; }
  // Largest width and height, in device pixels, that the context draws, picks and reads back
  // (the least of GL_MAX_VIEWPORT_DIMS, GL_MAX_RENDERBUFFER_SIZE and GL_MAX_TEXTURE_SIZE);
  // 0 before the context exists.
  int largestFrameSide() const { return largestSide; }
  // Deletes every GL name, with the context current when there is one.
  void release();

  // Buffers, one per drawn object of a type that has a buffer class.
  void addBuffer(const PavDrawObject *object);
  void removeBuffer(const PavDrawObject *object);
  // Every object's buffer and the glyphs.
  void clearBuffers();
  bool hasBuffer(const PavDrawObject *object) const { return bufferOf(object) != nullptr; }

  // Recorded uploads, carried out by flushUploads. Geometry: nbrVer positions (copied) and the
  // connectivity the model keeps in `entry`; polygons: 5 floats per corner, a tag per side, a
  // normal per triangle; a field's Bézier coefficients, or its release. A later record of the
  // same data replaces an earlier one; a buffer's geometry goes up before its fields.
  void recordGeometry(const PavDrawObject *object, const PavSceneEntry *entry, int nbrVer,
                      const float *xyz, int nbrElt);
  void recordPolygons(const PavDrawObject *object, int nbrVer, const float *data,
                      const unsigned *edgeTags, const float *normals);
  // The object's fields as the model holds them now, and the coefficients of one kind.
  bool recordField(const PavDrawObject *object, PavFieldKind kind, std::vector<float> bezier);
  void recordFieldRelease(const PavDrawObject *object, PavFieldKind kind);
  // Glyph triangles (see PavSceneWindow::setGlyphs); returns the triangles the layer holds.
  int64_t setGlyphs(PavGlyphKind kind, const PavGlyphMesh &mesh);
  int64_t glyphTriangles(PavGlyphKind kind) const;
  // Carries out the recorded uploads; false while there is no context (they stay recorded).
  bool flushUploads();

  // Programs: every built variant released; whether a catalogue slot has a variant; the
  // switches the face programs are built with now; the catalogue program of that name built for
  // the current fields and switches (unless built already) and in use, null when there is none.
  void resetShaders();
  bool programBuilt(int index) const {
    return index >= 0 && index < kSceneProgramCount && !programs[index].empty();
  }
  GlslSwitches fixedSwitches() const;
  GlslProgram *useProgram(const char *name);

  // Draws the frame (or, in pick(), the id pass) into the framebuffer bound now.
  void draw();
  // The id at device pixel (px, py) (origin at the lower left): the id pass rendered into the
  // picking framebuffer around that pixel only; `previous` is the framebuffer bound again after.
  uint32_t pick(int px, int py, unsigned previous);
  const QList<PavPickEntry> &pickList() const { return picks; }
  // Texts of the overlay for the current state, and the rate of the last frames drawn.
  PavOverlayTexts overlayTexts() const;
  double framesPerSecond() const { return lastFps; }
  // Camera matrices of the frame, for positions already scaled into the unit sphere.
  PavCameraMatrices matrices() const;
  // Frames and picking passes drawn, counted from 1.
  uint64_t frameNumber() const { return frames; }
  // The field whose palette is shown: the first solution (when solutions are shown), else the
  // first value field, else the first Jacobian, provided it carries a palette; null otherwise.
  const PavDrawField *shownField() const;

private:
  const PavSceneModel &model;
  const PavViewState &view;
  const PavSceneSwitches &switches;
  const PavReferenceColours &referenceColours;
  const std::vector<PavSceneLabel> &labels;
  const std::vector<float> &cornerPoints;
  const int &textHeight;
  std::function<bool()> makeCurrent;
  std::function<int()> deviceWidth, deviceHeight;
  std::function<double()> devicePixelRatio;
  std::function<void(double box[6])> boundingBox;
  std::function<std::string(const PavDrawField &)> fieldTitle;
  std::function<int(const PavDrawObject *, const QMatrix4x4 &)> closedSideOf;

  // Releases a buffer object's GL names with the context current, then deletes it, dropping
  // what was recorded for it.
  struct BufferRelease {
    PavSceneRenderer *owner; // value-initialised to null by the handle's default constructor
    void operator()(PavBufferObject *b) const;
  };
  using BufferHandle = std::unique_ptr<PavBufferObject, BufferRelease>;
  BufferHandle makeBuffer(PavBufferObject *b) { return BufferHandle(b, BufferRelease{this}); }
  PavBufferObject *bufferOf(const PavDrawObject *object) const;

  enum class UploadSlot { Geometry = 0, Solution, Jacobian, Value };
  static UploadSlot fieldSlot(PavFieldKind kind) {
    return kind == PavFieldKind::Solution   ? UploadSlot::Solution
           : kind == PavFieldKind::Jacobian ? UploadSlot::Jacobian
                                            : UploadSlot::Value;
  }
  void recordUpload(const PavBufferObject *b, UploadSlot slot, std::function<void()> upload);
  void dropUploads(const PavBufferObject *b);

  // Draws the objects of one draw type with their buffer objects; returns the elements drawn.
  int64_t renderType(uint32_t type, const QList<PavDrawObject *> &list, const PavCameraMatrices &m,
                     int *pickCounter);
  // Sets the object's scene colour for this draw (PavDrawObject::sceneColor).
  void sceneColourOf(PavDrawObject *o) const;
  // The program of a draw type, in use with the uniforms that do not depend on the object; null
  // when the type has none. flat: the type's program for elements flat on screen.
  GlslProgram *useProgramForType(uint32_t type, const PavCameraMatrices &m, bool flat = false);
  // The CutPlane uniform: the plane while a cut is on and the object is clipped, else a plane
  // that keeps everything.
  QVector4D cutPlaneUniform(bool clipped) const;
  bool cutActive() const { return view.cutActive(); }
  // The face to cull (GL_BACK, GL_FRONT) for the closed surfaces of this frame, 0 for none.
  unsigned closedCulling(const PavCameraMatrices &m) const;
  unsigned frameCulling = 0;
  uint64_t frames = 0;
  void renderOverlay(const PavCameraMatrices &m);
  void renderAxes();
  void renderPaletteBar(const PavCameraMatrices &m);
  void renderGlyphs(const PavCameraMatrices &m);
  // The marks; their lines and points are uploaded again only when they change.
  void renderMarks(const PavCameraMatrices &m);

  QOpenGLFunctions_4_0_Core *gl = nullptr;
  // Declared before the buffers, which drop their records when they are released.
  std::map<std::pair<const PavBufferObject *, int>, std::function<void()>> pendingUploads;
  std::unordered_map<const PavDrawObject *, BufferHandle> buffers;
  // The built variants of each catalogue program, by GlslSwitches::key().
  std::map<uint32_t, GlslProgram> programs[kSceneProgramCount];
  PavFieldState builtState; // the field definitions the built programs were made with
  bool pickingPass = false;
  // Start times of the last frames drawn (not the picking passes), for the frame rate.
  static constexpr size_t kRateFrames = 10;
  QElapsedTimer frameClock;
  std::deque<qint64> frameStarts;
  double lastFps = 0;
  GlslProgram textProgram;
  bool textProgramBuilt = false;
  PavTextRenderer text;
  bool textReady = false;
  int largestSide = 0;
  // Distance within which curved elements are drawn flat this frame (flatTolerance).
  float frameFlatTol = -1;
  PavPickingFramebuffer pickingFb;
  QList<PavPickEntry> picks;
  // The palette bar and the axes, outside the model.
  std::unique_ptr<PavDrawObject> paletteBarObject;
  BufferHandle paletteBar;
  int paletteBarShape[4] = {0, 0, 0, 0}; // the rectangle its buffer holds
  BufferHandle axes;                     // the three axes as lines
  BufferHandle glyphs[2];                // by PavGlyphKind
  BufferHandle marks, markPoints;
  std::vector<float> marksShown, markPointsShown;
};

} // namespace pavo
