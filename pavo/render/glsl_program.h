// One GLSL program of the scene: stage compilation from Qt resources, strings or files, linking,
// uniform setters and release.
#pragma once

#include <QMatrix3x3>
#include <QMatrix4x4>
#include <QVector2D>
#include <QVector3D>
#include <QVector4D>
#include <string>

#include "render/glsl_prefix.h"

class QOpenGLFunctions_4_0_Core;

namespace pavo {

// Stage kinds as the compile operations number them.
enum GlslStage : int {
  GlslVertex = 0,
  GlslFragment = 1,
  GlslGeometry = 2,
  GlslTessControl = 3,
  GlslTessEvaluation = 4,
};

// GL enumerant of a stage kind; 0 for a kind outside 0..4.
unsigned glslStageEnum(int kind);

// Most values an array uniform setter sends.
constexpr int kGlslMaxUniformArray = 10;

// A GL program object. The program and its attached shaders belong to this object: they are
// deleted by release() (never by the destructor, which may run without a current context). Every
// GL call needs the function object set and its context current.
class GlslProgram {
public:
  GlslProgram() = default;
  GlslProgram(const GlslProgram &) = delete;
  GlslProgram &operator=(const GlslProgram &) = delete;

  void setGLFunctions(QOpenGLFunctions_4_0_Core *functions) { gl = functions; }
  bool hasGLFunctions() const { return gl != nullptr; }

  // Compiles one stage and attaches it, creating the program first when there is none. The
  // fragment stage gets fragmentPrefix(flags, name) as a first source string. Returns false with
  // `log` filled on failure ("File not found." for a missing resource or file, "Unable to create
  // shader program." when no program object can be made, else the compiler's log); a kind above
  // 4 fails and creates nothing.
  bool compileShaderFromResource(const GlslFlags &flags, const char *name, const char *resourcePath,
                                 int kind);
  bool compileShaderFromString(const GlslFlags &flags, const char *name, const std::string &source,
                               int kind);
  bool compileShaderFromFile(const GlslFlags &flags, const char *name, const char *path, int kind);

  // Links once; on failure the program log goes to `log`. Returns isLinked().
  bool link();
  void use();
  int getHandle() const { return handle; }
  bool isLinked() const { return linked; }
  const std::string &getLog() const { return log; }

  // Builds vertex, tessellation control + evaluation (only when both paths are non-empty),
  // geometry, fragment, then links. Null or empty paths mean "no such stage". Any failure prints
  // its message with the program name, path and log on standard output and ends the process with
  // status 1; so does a missing vertex or fragment path.
  void buildFromResources(const GlslFlags &flags, const char *name, const char *vs, const char *fs,
                          const char *gs, const char *tcs, const char *tes);

  // Uniform setters: the location is looked up by name; a name the program does not use is
  // ignored. Array setters send at most kGlslMaxUniformArray values.
  void setUniform(const char *name, int value);
  void setUniform(const char *name, bool value);
  void setUniform(const char *name, float value);
  void setUniform(const char *name, float x, float y);
  void setUniform(const char *name, float x, float y, float z);
  void setUniform(const char *name, const QVector2D &v);
  void setUniform(const char *name, const QVector3D &v);
  void setUniform(const char *name, const QVector4D &v);
  void setUniform(const char *name, const QMatrix3x3 &m);
  void setUniform(const char *name, const QMatrix4x4 &m);
  void setUniform(const char *name, int count, const float *values);
  void setUniform(const char *name, int count, const int *values);

  // Tables of the active uniforms and attributes on standard output.
  void printActiveUniforms();
  void printActiveAttribs();

  // Deletes the program and its attached shaders; back to the empty state.
  void release();

private:
  int location(const char *name);
  bool createProgramIfNeeded();

  int handle = 0;
  bool linked = false;
  std::string log;
  QOpenGLFunctions_4_0_Core *gl = nullptr;
};

} // namespace pavo
