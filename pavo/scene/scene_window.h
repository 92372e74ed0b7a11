// The scene window: the OpenGL window that shows a scene model (scene_model.h) with a view state
// (view_state.h). It holds the model, the view and the renderer that draws them
// (scene_renderer.h, the one owner of the GL names), and keeps the window, its context and its
// size; the field rules and the registry checks of the scene live here.
#pragma once

#include "render/opengl_window.h"
#include "render/scene_renderer.h"

#include <QTimer>
#include <memory>
#include <string>
#include <vector>

class QOpenGLFunctions_4_0_Core;

namespace pavo {

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
  // of its type (0-based vertex indices, canonical node order). The connectivity is kept in the
  // model; the positions are copied and go to the object's buffer with the next frame
  // (flushUploads), so no context is needed yet. Warns when the object is not in the scene.
  bool attachData(PavDrawObject *object, int nbrVer, const float *xyz, int nbrElt, const int *elt);
  // Polygon geometry (types 75-77): nbrVer triangle corners of 5 floats (x, y, z and a
  // barycentric pair), one edge tag per triangle side (1: polygon side, 0: hidden diagonal), one
  // normal per triangle.
  bool attachPolygonData(PavDrawObject *object, int nbrVer, const float *data,
                         const unsigned *edgeTags, const float *normals);
  PavDrawField *fieldOf(PavFieldKind kind, const PavDrawObject *target) const;
  // Glyph triangles drawn over the objects and left out of picking: metric glyphs in the fixed
  // colour of "MetSha", arrows in their corners' colours ("VecArrowSha"). They replace the
  // layer's previous glyphs; an empty mesh removes them. Uploaded with the next frame, like
  // geometry and fields. Returns the triangles the layer holds.
  int64_t setGlyphs(PavGlyphKind kind, const PavGlyphMesh &mesh);
  int64_t glyphTriangles(PavGlyphKind kind) const;

  // Shader definitions for the fields attached now (derived from the model).
  PavFieldState fieldState() const { return model.fieldState(); }
  // Releases every built program and variant.
  void resetShaders() { renderer.resetShaders(); }
  bool programBuilt(int index) const { return renderer.programBuilt(index); }
  // The switches the face programs are built with for the current view state and pass: the
  // lighting model, picking and wire lines where they are the same for every face drawn.
  GlslSwitches fixedSwitches() const { return renderer.fixedSwitches(); }

  // Picking: mode 1 and 3 render the id pass at window point (x, y) (logical pixels, y down) and
  // return the id there (0: background); mode 2 prints "performpicking isoline" and gives 0.
  void performPicking(int x, int y, int *id, int mode);
  const QList<PavPickEntry> &pickList() const { return renderer.pickList(); }

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
  int largestFrameSide() const { return renderer.largestFrameSide(); }

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
  bool acceptsInteraction = true;
  PavReferenceColours referenceColours;
  std::vector<PavSceneLabel> labels;
  // Marks drawn over the scene (never picked) as the switches say: the bounding box (showBox), the
  // cut plane's outline in the box (showCutPlane, while a cut is active), a cross at the scene
  // centre (showSceneCentre), and cornerPoints (x, y, z each) as points (showCorners).
  PavSceneSwitches switches;
  std::vector<float> cornerPoints;
  int textHeight = 24; // pixel height of the overlay text (and of the labels)

  QOpenGLFunctions_4_0_Core *functions() const { return renderer.functions(); }

  void render() override;
  void initialize() override;
  // Carries out the uploads recorded since the last frame (geometry, fields, glyphs), with the
  // context current; every frame and picking pass starts with it. False while there is no
  // context yet (they stay recorded).
  bool flushUploads() { return renderer.flushUploads(); }

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
  // The palette title of a field shown (paletteTitle); viewers name the solution's place and its
  // index among the solutions of its kind.
  virtual std::string fieldTitle(const PavDrawField &field) const;
  // The field whose palette is shown (PavSceneRenderer::shownField).
  const PavDrawField *shownField() const { return renderer.shownField(); }
  // The catalogue program of that name, built for the current field state and fixedSwitches()
  // unless that variant is built already, and in use; null when there is none.
  GlslProgram *useProgram(const char *name) { return renderer.useProgram(name); }
  // True when a cut plane is given and switched on: only then is anything clipped.
  bool cutActive() const { return view.cutActive(); }
  // Whether an object's faces, with the others of its kind, close up around volumes seen from
  // outside: +1 with their corners counter-clockwise seen from outside, -1 clockwise, 0 not
  // closed (or not known: the base knows no object). mvp: the frame's camera; viewers count a
  // surface as closed only while its box lies wholly beyond the near plane (boxBeyondNearPlane),
  // so that the eye is outside. The renderer culls the faces turned away from such surfaces.
  virtual int closedSideOf(const PavDrawObject *, const QMatrix4x4 & /*mvp*/) const { return 0; }
  // Frames and picking passes drawn, counted from 1.
  uint64_t frameNumber() const { return renderer.frameNumber(); }

  PavSceneModel model;

private:
  // The per-element first-order values of a field given at the nbrEnt vertices of an object
  // (nbrNod must be 1), from the connectivity kept in the model; prints the attach messages and
  // returns false when it does not fit.
  bool vertexFieldPerElement(const PavDrawObject *object, const float *data, int64_t nbrEnt,
                             int nbrNod, std::vector<float> &out);
  // Converts the coefficients of the attached field of an object and records their upload.
  bool uploadField(PavDrawField *field, PavDrawObject *object, const float *values, int64_t nbrEnt,
                   int nbrNod);
  // Makes the context current; false before the context exists.
  bool makeContextCurrent();
  int deviceWidth() const;
  int deviceHeight() const;
  QTimer timer;
  // Draws what the model and the view say; declared last, since it reads the members above.
  PavSceneRenderer renderer;
};

} // namespace pavo
