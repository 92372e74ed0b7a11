// The mesh viewer: a scene window filled from a mesh object or, for the demonstrations, from
// draw objects built in code.
#pragma once

#include "scene/cut_packing.h"
#include "scene/demo_scenes.h"
#include "scene/mesh_scene.h"
#include "scene/scene_window.h"
#include "scene/view_changes.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

struct PavObject;

namespace pavo {

class PavMeshViewer : public PavSceneWindow {
  Q_OBJECT
public:
  explicit PavMeshViewer(QWindow *parent = nullptr);
  ~PavMeshViewer() override;

  // Replaces the scene by a demonstration scene: every item's object is added with its geometry
  // and field, the labels are shown and the camera is fitted to the scene.
  void showDemo(PavDemoKind kind);

  // Loads a mesh and its solution into this window (the viewer's loading sequence): the previous
  // mesh object and scene are released, the files are opened, the scene is built from the new
  // object and the view is fitted to its bounding box. solName may be null or name a missing
  // file (the solution is then skipped). Returns 0 when the mesh was opened, else the loader's
  // status; the window keeps working either way. beforeBuild, when given,
  // runs once the view is fitted and set to the initial view and before anything is built (a
  // view-state file sets the view there, so that its cut and fields are built once).
  int displayMesh(const char *meshName, const char *solName,
                  const std::function<void()> &beforeBuild = nullptr);
  // Opens a solution file into the mesh already shown and rebuilds the fields. 0 on success.
  int openSolution(const char *solName);

  // Hands a mesh object to the viewer (which releases the one it held); the scene is not built
  // until displayObject.
  void adoptMesh(PavObject *object);
  // The loaded mesh object (owned by the viewer), null before the first load.
  PavObject *meshObject() const { return meshScene.mesh; }
  // Names of the files last opened successfully (empty when none).
  const QString &meshName() const { return meshScene.meshFile; }
  const QString &solutionName() const { return meshScene.solFile; }
  // Number of windows of this run (the single-window rules of the loading sequence use it).
  void setWindowCount(int n) { windowCount = n; }
  // The scene bounding box (min x, max x, min y, max y, min z, max z); setting it refits the view.
  void boundingBox(double box[6]) const override;
  void setBoundingBox(const double box[6]);

  // Builds the scene from the loaded mesh object: per entity type one object per reference plus
  // the object -1 holding every entity (hidden; it carries the field data of the whole type),
  // the boundary surface of volume elements, the cut when one is on, and the fields chosen in the
  // view state. Called by the loading sequence after the files are read.
  // beforeBuild runs after the parameter file, the box fit and the default field choice, before
  // the first set is built.
  void displayObject(const std::function<void()> &beforeBuild = nullptr);
  // The one redraw path of the viewer: whatever changed the view (keys, panels, the bottom bar,
  // view-state files, linked windows) says what with `changes`. Releases the programs, rebuilds
  // what the scene built from the mesh needs (the cut, which packs its own field, else the
  // fields; the hidden references; the clipped faces when shrink or transparency changed it;
  // the marks and the metric glyphs), refreshes the per-element colours, draws, and tells the
  // linked windows (unless the change came from one, or is Unlinked). Nothing is rebuilt before
  // a mesh is shown and the context exists.
  void refresh(PavChanges changes, PavRedraw when = PavRedraw::Now);
  // A mesh of at least this many elements shows that its rebuilds take time: a wait cursor and
  // the work's name (busyChanged) while a cut, a field, glyphs or the scene are built.
  int64_t busyFromElements = 1000000;
  int64_t elementCount() const;
  // Rebuilds the field data of every object from the solutions held by the mesh object and the
  // view state's field mode, solution indices and vector mode; geometry is left as it is.
  void rebuildFields();
  // Moves the displayed solution of the current field mode (1 vertex, 2 element) by step. An
  // index leaving 1..number of solutions changes nothing (false). Only fields are re-uploaded.
  bool stepSolution(int step);
  // Rebuilds the clipped faces or the capping after a change of view.cutPlane, view.capping or
  // view.options.CutOn.
  void updateCut();
  // Number of cuts packed since the viewer was made (each updateCut with the cut on).
  int cutBuilds() const { return meshScene.cutBuildCount; }
  // Rebuilds the clipped faces when the shrink factor or the transparency changed whether the
  // crossed elements show their envelope only (opaque, unshrunk) or every face.
  void updateCutIfFacesChanged();
  // Waits for the worker that makes the boxes of the cut search and forgets them: call before the
  // mesh object is changed in place.
  void meshWillChange() { meshScene.cutBlocks = PavCutBlocks(); }
  // Clipping draws every face of the crossed elements even where their envelope would show the
  // same picture (comparisons).
  bool clipEveryFace = false;
  // Scans the displayed field for its extrema (running: not reset by the scan) and prints them.
  void computeSolutionExtrema();
  // Jacobians of the face (2-D) or volume (3-D) elements, computed once (mode 1 normalised at
  // the nodes, 2 the smallest value per element) and shown on the face objects.
  void add2DJacobian(int mode);
  void add3DJacobian(int mode);
  // Shape quality of the tetrahedra, shown as values on the faces they bound.
  void performQuality();

  // Polygons (DrawPolygon, DrawCustomPolygon) or the faces of the polyhedra (DrawPolyhedra) of
  // the mesh's polygon set as tessellated triangles; any other draw type prints its error.
  void addTessellatedPolygon(uint32_t drawType);
  // A picked element drawn by its faces as a highlighted custom object (identifier: the element
  // number). Returns the number of objects made. showSurfaceElement of a type that is no
  // triangle or quadrilateral prints "showSurfaceElement: unknown surface type: %s \n".
  int showVolumeElement(int type, int number);
  int showSurfaceElement(int type, int number);
  void clearShownElements();
  // The tetrahedra as volume objects per reference (once per mesh, with their progress lines).
  void setVolumeObjects();
  // The P1 triangles as vector triangles per reference plus the object -1 (once per mesh), with
  // the displayed vertex field whole when it is a vector field.
  void setVectorTriangles();
  // Vertices of the visible surface objects, each once: the metric-vertex selection of the mesh
  // object (arrows false) or the arrow vertices (arrows true, arrow mode 1 only). Returns their
  // number.
  int selectGlyphVertices(bool arrows, int arrowMode = 1);
  const std::vector<int32_t> &arrowVertexList() const { return meshScene.arrowVertices; }
  // Glyphs of the displayed vertex field (field mode 1): a metric field as ellipses or
  // ellipsoids at the metric vertices, a vector field as arrows at the arrow vertices (each
  // selection made from the visible surfaces when empty); any other field removes them. Called
  // by rebuildFields.
  void updateGlyphs();
  bool &metricGlyphsOn = switches.showMetric; // M
  bool arrowGlyphsOn = true;
  // Preferences of the window (its Preferences panel): what a pick prints (solution values,
  // angles at face corners, eigen decomposition of metrics, corner coordinates of picked
  // elements), whether the wheel zooms (also the parameter file's scrolling), metric glyphs as
  // ellipsoids in 3-D (else the ellipse of their two longest axes) and the numbering-quality
  // report when the scene is built. The input, the reports and the glyphs read them.
  struct Preferences {
    bool solutionInfo = true, angles = false, scrolling = true, metric = true;
    bool ellipsoidMetric = false, renumbering = false, vertexCoordinates = false;
  } prefs;
  // Metric glyphs decompose metric / metricScale (semi-axes scale with its square root).
  double metricScale = 1;
  // Scene units per vector unit of the arrows; 0: the longest arrow is a twentieth of the
  // diameter of the scene's bounding box.
  double arrowScale = 0;
  // Hides the per-reference objects whose draw type and reference are in view.hiddenReferences.
  void applyHiddenReferences();
  // Removes everything built from the mesh object (the next displayObject builds anew).
  void clearMeshScene();

  // The entity sets of the mesh scene (mesh_scene.h).
  using PavSetSource = pavo::PavSetSource;
  using PavBuiltObject = pavo::PavBuiltObject;
  using PavBuiltSet = pavo::PavBuiltSet;
  const std::vector<PavBuiltSet> &builtSets() const { return meshScene.sets; }
  const std::vector<PavBuiltSet> &cutSets() const { return meshScene.cuts; }
  // The set's closedSide while every reference of it is shown with all its elements, else 0.
  int closedSideOf(const PavDrawObject *o, const QMatrix4x4 &mvp) const override;
  const PavBuiltObject *builtOf(const PavDrawObject *o,
                                const PavBuiltSet **setOut = nullptr) const {
    return meshScene.builtOf(o, setOut);
  }

  // What the viewer built from the mesh object it shows, with the object itself.
  PavMeshScene meshScene;

signals:
  // A short text for the window's terminal panel ("Mesh File %s OPENED", ...).
  void terminalLine(const QString &text);
  // The displayed solution changed by stepping: field mode (1 vertex, 2 element) and index.
  void solutionStepped(int fieldMode, int index);
  // openSolution changed the solutions the mesh object holds (selectors follow them).
  void solutionsChanged();
  // Long work on a large mesh begins ("Cutting ...") or ends (an empty text).
  void busyChanged(const QString &work);

public:
  // The field mode (1 vertices, 2 elements) and index (from 1) of the solution displayed now, or
  // 0 when none is (no solution attached, or neither its colours nor its isolines are on).
  int shownSolution(int *index) const;

protected:
  // The solution shown is named by the field mode and its index among the solutions of that
  // kind; the Jacobian by the last request (j normalised, J minimal).
  std::string fieldTitle(const PavDrawField &field) const override;
  int windowCount = 1;
  // A 3-D mesh with surface elements that is not flat (the box thick in every direction).
  bool bendingSurface() const;
  bool clipShellOnly() const;

private:
  struct PavPendingField {
    PavDrawObject *object;
    std::vector<float> values;
    int nbrNod;
  };
  // Attaches fields of a kind with one palette over all of them; false when there is none.
  bool attachPending(PavFieldKind kind, std::vector<PavPendingField> &pending, float range[2]);
  // The rows (nbrNod values per entity of the set, numbered from 1) of each object's entities.
  void gatherRows(const PavBuiltSet &set, const std::vector<double> &rows, int nbrNod,
                  std::vector<PavPendingField> &pending) const;
  // The element field of the volume elements on the existing faces of a set through the links
  // of the surface reconstruction (rows from 1); returns the values per face, 0 when none.
  int volumeFieldOnFaces(const PavBuiltSet &set, std::vector<double> &rows) const;
  // The same for any per-volume-element values: volume(vt, &degree) gives those of the volume
  // type vt (entities from 1) and their degree, or null.
  int volumeValuesOnFaces(const PavBuiltSet &set,
                          const std::function<const double *(int vt, int *degree)> &volume,
                          std::vector<double> &rows) const;
  PavDrawObject *addFaceObject(uint32_t drawType, int32_t id, const int *nodes, int nbrFaces,
                               int k);
  // Groups the entities of a set by reference and adds its objects with their geometry.
  // idx: nodes of entity e (from 1) at idx[e * k] for a mesh type, at idx[(e - 1) * k] for
  // packed faces; ref likewise. Prints the reference line and the filtered count with prefix.
  void buildSet(PavBuiltSet &set, const int32_t *idx, const int32_t *ref, bool packed,
                const char *filterPrefix);
  void buildBoundarySurface();
  // Builds the programs of the face objects built so far and of the boundary faces to come, for
  // a scene without fields (nothing when a field will be shown).
  void prebuildFacePrograms();
  void buildPointsOnly();
  // Reads the parameter file of the mesh (or the default one) into the view state, the user
  // palettes and the reference colours. Returns its bounding box flag: true when `box` was set.
  bool readParameters(double box[6]);
  // Attaches the current field to the objects of a set (nothing when no field is displayed).
  void attachSetField(PavBuiltSet &set, bool update);
  void removeSets(std::vector<PavBuiltSet> &list);
  // The fields again for the view state: with the cut when one is built (it packs its field
  // with its geometry), else on the objects.
  void rebuildShownField();
};

// While it lives, long work on a large mesh is shown: the wait cursor over the application and
// the work's name through busyChanged; both go on every way out of the scope. Nothing for a small
// mesh or a null name.
class PavBusyScope {
public:
  PavBusyScope(PavMeshViewer &viewer, const char *work);
  ~PavBusyScope();
  PavBusyScope(const PavBusyScope &) = delete;
  PavBusyScope &operator=(const PavBusyScope &) = delete;

private:
  PavMeshViewer &viewer;
  bool shown = false;
};

// One line when solution values of the mesh are not finite numbers (NaN or infinite): the
// palettes are made of the finite values and the shaders paint the others grey. Printed by each
// scene building and solution loading.
void warnNonFiniteSolutions(const PavObject *mesh);

} // namespace pavo
