// The cut plane in the scene: the volume elements it crosses shown by their faces (clipping), or
// the section of the first-order volume elements and of the P2 tetrahedra by the plane with the
// field evaluated on it (capping; other types show their crossed elements), both packed on the
// CPU by cut_packing. The rest of the scene is clipped by the programs themselves.
#include "scene/mesh_viewer.h"

#include "files/draw_types.h"
#include "render/buffer_packing.h"
#include "scene/cut_packing.h"
#include "scene/element_filter.h"

#include <cmath>

namespace pavo {

bool PavMeshViewer::clipShellOnly() const {
  // Shrunk or transparent faces show what lies behind them, and elements hidden one by one (the
  // filters, discarding the unpicked) uncover the faces they share: then every face is needed.
  // Hidden references need no more than the envelope of each reference.
  return !clipEveryFace && view.options.shrink >= 1.0f && !view.options.TransOn &&
         !view.options.DiscardUnPicked && !cutElementsFiltered(*this);
}

void PavMeshViewer::updateCutIfFacesChanged() {
  if (meshScene.mesh && view.cutActive() && !view.capping && meshScene.cutShell != clipShellOnly())
    updateCut();
}

void PavMeshViewer::updateCut() {
  removeSets(meshScene.cuts);
  if (meshScene.mesh && view.cutActive()) {
    meshScene.cutBuildCount++;
    PavCutFieldChoice choice;
    choice.mode = view.fieldMode;
    choice.vertexIndex = view.vertexSolution;
    choice.elementIndex = view.elementSolution;
    choice.vectorMode = view.vectorMode;
    const bool capping = view.capping;
    meshScene.cutShell = clipShellOnly();
    std::vector<PavCutLayer> layers =
        capping ? packCapping(meshScene.mesh, view.cutPlane, choice, &meshScene.cutBlocks)
                : packClipping(meshScene.mesh, view.cutPlane, choice, meshScene.cutShell,
                               &meshScene.cutBlocks);
    // The section lies on the plane itself: move it a hair to the kept side (a x + b y + c z + d
    // below 0), so that the clipping of the programs does not eat it.
    const double *p = view.cutPlane;
    const double len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    const double eps = len > 0 ? 1e-5 / (double)view.sceneScale / len : 0;
    for (PavCutLayer &layer : layers) {
      // Capping falls back to the crossed elements, whole, where it cannot slice their type.
      const bool section = capping && layer.section;
      for (size_t i = 0; section && eps > 0 && i < layer.xyz.size(); i++)
        layer.xyz[i] -= (float)(eps * p[i % 3]);
      // Curved faces and caps are drawn from their Bezier control points; the groups share the
      // layer's nodes, so they are converted once, through every group's elements.
      if (pavDrawTypeDegree(layer.drawType) > 1) {
        std::vector<int> all;
        for (const PavCutGroup &g : layer.groups) all.insert(all.end(), g.elt.begin(), g.elt.end());
        const int k = PavDrawTyp2Siz(layer.drawType);
        if (k > 0)
          bezierGeometry(layer.drawType, (int64_t)(layer.xyz.size() / 3), layer.xyz.data(),
                         (int64_t)(all.size() / (size_t)k), all.data());
      }
      PavBuiltSet set;
      set.source = section ? PavSetSource::CapTriangles : PavSetSource::ClipFaces;
      set.volType = layer.volumeType;
      set.drawType = layer.drawType;
      set.cutFieldNodes = layer.fieldNodes;
      const int nbrVer = (int)(layer.xyz.size() / 3);
      for (PavCutGroup &g : layer.groups) {
        if (g.nbrElt() < 1 || nbrVer < 1) continue;
        PavDrawObject *o =
            addObject(std::unique_ptr<PavDrawObject>(createDrawObject(layer.drawType, g.ref)));
        if (!o) continue;
        attachData(o, nbrVer, layer.xyz.data(), (int)g.nbrElt(), g.elt.data());
        o->setParentElt(g.parent.data());
        if (!g.face.empty()) o->setParentFace(g.face.data());
        o->volSurf = !section;
        o->wholeInCut = !section; // the crossed elements are shown whole
        o->visible = g.ref != -1; // the object -1 holds every element for the fields and picking
        PavBuiltObject bo;
        bo.object = o;
        bo.cutField = std::move(g.field);
        set.nbrEnt += g.ref == -1 ? (int32_t)g.nbrElt() : 0;
        set.objects.push_back(std::move(bo));
      }
      meshScene.cuts.push_back(std::move(set));
    }
  }
  meshScene.indexBuilt();
  rebuildFields();
  refreshElementVisibility(*this); // the filters hide the cut elements of the elements they hide
  renderLater();
}

} // namespace pavo
