// The display switches of a scene, copied by value into every draw of a buffer object and turned
// into shader uniforms. The keys of the viewer change them.
#pragma once

#include <cstdint>

namespace pavo {

struct PavRenderOption {
  uint32_t option = 1u << 1; // bits 1-3: render mode (0 wireframe, 1 lit + lines, 2 by
                             // reference, 3 plain grey)
  bool LineOn = true;
  bool TransOn = false;
  bool TessOn =
      false;          // wire lines along the tessellated sub-triangles instead of the element edges
  bool EdgeOn = true; // edge display
  bool JacOn = false;
  bool CutOn = false; // cut-plane display
  bool TextOn = true; // overlay text
  bool DiscardUnPicked = false;
  uint8_t UsePhong = 1; // 0-3
  int32_t IsoOn = 0;    // 0-2
  int32_t SolOn = 0;    // 0-2
  bool LineSurfOn = false;
  bool HideSurfOn = false;
  bool HideVolOn = false;
  bool CheckInOut = false; // in/out orientation check (N): faces tinted red
  bool CutoffBelowOn = false;
  bool CutoffAboveOn = false;
  float CutoffBelowVal = 0;
  float CutoffAboveVal = 0;
  float shrink = 1.0f;
  float lineWidth = 1.0f;
  float edgeThickness = 1.0f;
  int8_t tessLevel = 4;  // 1-125
  bool PalOn = true;     // palette bar beside a shown field
  bool AxisOn = true;    // orientation axes in the lower left corner
  float isoWidth = 1.5f; // isoline width in pixels (IsoWidth)

  int renderMode() const { return (int)((option >> 1) & 7u); }
  // Sets bits 1-3 to mode (taken modulo 4), keeping the other bits.
  void setRenderMode(int mode) { option = (option & ~(7u << 1)) | ((uint32_t)(mode & 3) << 1); }
};

} // namespace pavo
