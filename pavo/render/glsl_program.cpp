#include "render/glsl_program.h"

#include "app_messages.h"

#include <QFile>
#include <QOpenGLFunctions_4_0_Core>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "pav_status.h"

// The resources live in the static library pavoapp; registering them explicitly keeps the linker
// from dropping them from programs that only reach them by path.
static void registerPavoResources() {
  static const bool done = [] {
    Q_INIT_RESOURCE(pavo);
    return true;
  }();
  (void)done;
}

namespace pavo {

unsigned glslStageEnum(int kind) {
  switch (kind) {
  case GlslVertex:
    return GL_VERTEX_SHADER;
  case GlslFragment:
    return GL_FRAGMENT_SHADER;
  case GlslGeometry:
    return GL_GEOMETRY_SHADER;
  case GlslTessControl:
    return GL_TESS_CONTROL_SHADER;
  case GlslTessEvaluation:
    return GL_TESS_EVALUATION_SHADER;
  default:
    return 0;
  }
}

bool GlslProgram::createProgramIfNeeded() {
  if (handle > 0) return true;
  handle = static_cast<int>(gl->glCreateProgram());
  if (handle > 0) return true;
  handle = 0;
  log = "Unable to create shader program.";
  return false;
}

namespace {

bool readResource(const QString &path, std::string &out) {
  registerPavoResources();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray text = file.readAll();
  file.close();
  out.assign(text.constData(), static_cast<size_t>(text.size()));
  return true;
}

// Replaces each line `#include "lib/x.glsl"` by the text of the resource ":/glsl/lib/x.glsl",
// recursively (a few levels), so that the stages of one family share their code. False when an
// included resource is missing or the nesting is too deep.
bool expandIncludes(std::string &text, int depth) {
  if (depth > 4) return false;
  std::string out;
  out.reserve(text.size());
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const std::string key = "#include \"";
    if (line.compare(0, key.size(), key) == 0) {
      const size_t close = line.find('"', key.size());
      if (close == std::string::npos) return false;
      std::string included;
      const std::string path = ":/glsl/" + line.substr(key.size(), close - key.size());
      if (!readResource(QString::fromStdString(path), included)) return false;
      if (!expandIncludes(included, depth + 1)) return false;
      out += included;
      if (!included.empty() && included.back() != '\n') out += '\n';
    } else {
      out += line;
      out += '\n';
    }
    start = end + 1;
  }
  text.swap(out);
  return true;
}

} // namespace

bool GlslProgram::compileShaderFromResource(const GlslFlags &flags, const char *name,
                                            const char *resourcePath, int kind) {
  std::string text;
  if (!readResource(QString::fromUtf8(resourcePath ? resourcePath : ""), text) ||
      !expandIncludes(text, 0)) {
    log = "File not found.";
    return false;
  }
  return compileShaderFromString(flags, name, text, kind);
}

bool GlslProgram::compileShaderFromFile(const GlslFlags &flags, const char *name, const char *path,
                                        int kind) {
  std::ifstream in(path ? path : "", std::ios::binary);
  if (!in) {
    log = "File not found.";
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return compileShaderFromString(flags, name, text.str(), kind);
}

bool GlslProgram::compileShaderFromString(const GlslFlags &flags, const char *name,
                                          const std::string &source, int kind) {
  const unsigned stage = glslStageEnum(kind);
  if (stage == 0 || !gl) return false;
  if (!createProgramIfNeeded()) return false;
  const GLuint shader = gl->glCreateShader(stage);
  if (shader == 0) {
    log = "Unable to create shader program.";
    return false;
  }
  // Fragment files carry no #version line: the prefix supplies it with the definitions.
  const std::string prefix = kind == GlslFragment ? fragmentPrefix(flags, name) : std::string();
  const char *strings[2] = {prefix.c_str(), source.c_str()};
  if (kind == GlslFragment)
    gl->glShaderSource(shader, 2, strings, nullptr);
  else
    gl->glShaderSource(shader, 1, strings + 1, nullptr);
  gl->glCompileShader(shader);
  GLint ok = 0;
  gl->glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok) {
    gl->glAttachShader(static_cast<GLuint>(handle), shader);
    return true;
  }
  GLint length = 0;
  gl->glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
  log.clear();
  if (length >= 1) {
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    GLsizei written = 0;
    gl->glGetShaderInfoLog(shader, length, &written, text.data());
    log.assign(text.data());
  }
  // A shader that failed never becomes part of the program; it has no other owner.
  gl->glDeleteShader(shader);
  return false;
}

bool GlslProgram::link() {
  if (!gl || linked || handle <= 0) return linked;
  const GLuint program = static_cast<GLuint>(handle);
  gl->glLinkProgram(program);
  GLint ok = 0;
  gl->glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok) {
    linked = true;
  } else {
    GLint length = 0;
    gl->glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    log.clear();
    if (length >= 1) {
      std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
      GLsizei written = 0;
      gl->glGetProgramInfoLog(program, length, &written, text.data());
      log.assign(text.data());
    }
  }
  return linked;
}

void GlslProgram::use() {
  if (gl && handle > 0 && linked) gl->glUseProgram(static_cast<GLuint>(handle));
}

void GlslProgram::buildFromResources(const GlslFlags &flags, const char *name, const char *vs,
                                     const char *fs, const char *gs, const char *tcs,
                                     const char *tes) {
  const char *program = name ? name : "";
  auto given = [](const char *path) { return path && *path; };
  if (!given(vs) || !given(fs))
    pav_Fatal("  GLSL programm error: %s: vertex and fragment shaders are mandatory to compile a "
              "GLSL programm \n",
              program);
  if (!compileShaderFromResource(flags, name, vs, GlslVertex))
    pav_Fatal("  GLSL programm error: %s: Vertex shader(%s) failed to compile !\n%s", program, vs,
              log.c_str());
  if (given(tcs) && given(tes)) {
    if (!compileShaderFromResource(flags, name, tcs, GlslTessControl))
      pav_Fatal("  GLSL programm error: %s: Tesselation control shader(%s) failed to compile !\n%s",
                program, tcs, log.c_str());
    if (!compileShaderFromResource(flags, name, tes, GlslTessEvaluation))
      pav_Fatal(
          "  GLSL programm error: %s: Tesselation evaluation shader(%s) failed to compile !\n%s",
          program, tes, log.c_str());
  }
  if (given(gs) && !compileShaderFromResource(flags, name, gs, GlslGeometry))
    pav_Fatal("  GLSL programm error: %s: Geometry shader(%s) failed to compile !\n%s", program, gs,
              log.c_str());
  if (!compileShaderFromResource(flags, name, fs, GlslFragment))
    pav_Fatal("  GLSL programm error: %s: Fragment shader(%s) failed to compile !\n%s", program, fs,
              log.c_str());
  if (!link())
    pav_Fatal("  GLSL programm error: %s: Shader failed to link!\n%s", program, log.c_str());
}

int GlslProgram::location(const char *name) {
  if (!gl || handle <= 0 || !name) return -1;
  return gl->glGetUniformLocation(static_cast<GLuint>(handle), name);
}

void GlslProgram::setUniform(const char *name, int value) {
  const int loc = location(name);
  if (loc >= 0) gl->glUniform1i(loc, value);
}

void GlslProgram::setUniform(const char *name, bool value) {
  const int loc = location(name);
  if (loc >= 0) gl->glUniform1i(loc, value ? 1 : 0);
}

void GlslProgram::setUniform(const char *name, float value) {
  const int loc = location(name);
  if (loc >= 0) gl->glUniform1f(loc, value);
}

void GlslProgram::setUniform(const char *name, float x, float y) {
  const int loc = location(name);
  if (loc >= 0) gl->glUniform2f(loc, x, y);
}

void GlslProgram::setUniform(const char *name, float x, float y, float z) {
  const int loc = location(name);
  if (loc >= 0) gl->glUniform3f(loc, x, y, z);
}

void GlslProgram::setUniform(const char *name, const QVector2D &v) {
  setUniform(name, v.x(), v.y());
}

void GlslProgram::setUniform(const char *name, const QVector3D &v) {
  setUniform(name, v.x(), v.y(), v.z());
}

void GlslProgram::setUniform(const char *name, const QVector4D &v) {
  const int loc = location(name);
  if (loc >= 0) gl->glUniform4f(loc, v.x(), v.y(), v.z(), v.w());
}

void GlslProgram::setUniform(const char *name, const QMatrix3x3 &m) {
  const int loc = location(name);
  if (loc >= 0) gl->glUniformMatrix3fv(loc, 1, GL_FALSE, m.constData());
}

void GlslProgram::setUniform(const char *name, const QMatrix4x4 &m) {
  const int loc = location(name);
  if (loc >= 0) gl->glUniformMatrix4fv(loc, 1, GL_FALSE, m.constData());
}

void GlslProgram::setUniform(const char *name, int count, const float *values) {
  const int loc = location(name);
  if (loc < 0 || !values || count < 1) return;
  gl->glUniform1fv(loc, count > kGlslMaxUniformArray ? kGlslMaxUniformArray : count, values);
}

void GlslProgram::setUniform(const char *name, int count, const int *values) {
  const int loc = location(name);
  if (loc < 0 || !values || count < 1) return;
  gl->glUniform1iv(loc, count > kGlslMaxUniformArray ? kGlslMaxUniformArray : count, values);
}

void GlslProgram::printActiveUniforms() {
  if (!gl || handle <= 0) return;
  const GLuint program = static_cast<GLuint>(handle);
  GLint count = 0, maxLength = 0;
  gl->glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
  gl->glGetProgramiv(program, GL_ACTIVE_UNIFORM_MAX_LENGTH, &maxLength);
  std::vector<char> name(static_cast<size_t>(maxLength > 0 ? maxLength : 1) + 1, '\0');
  appMessage(" Location | Name\n");
  appMessage("------------------------------------------------\n");
  for (GLint i = 0; i < count; ++i) {
    GLsizei written = 0;
    GLint size = 0;
    GLenum type = 0;
    gl->glGetActiveUniform(program, static_cast<GLuint>(i), maxLength, &written, &size, &type,
                           name.data());
    appMessage(" %-8d | %s\n", gl->glGetUniformLocation(program, name.data()), name.data());
  }
}

void GlslProgram::printActiveAttribs() {
  if (!gl || handle <= 0) return;
  const GLuint program = static_cast<GLuint>(handle);
  GLint count = 0, maxLength = 0;
  gl->glGetProgramiv(program, GL_ACTIVE_ATTRIBUTES, &count);
  gl->glGetProgramiv(program, GL_ACTIVE_ATTRIBUTE_MAX_LENGTH, &maxLength);
  std::vector<char> name(static_cast<size_t>(maxLength > 0 ? maxLength : 1) + 1, '\0');
  appMessage(" Index | Name\n");
  appMessage("------------------------------------------------\n");
  for (GLint i = 0; i < count; ++i) {
    GLsizei written = 0;
    GLint size = 0;
    GLenum type = 0;
    gl->glGetActiveAttrib(program, static_cast<GLuint>(i), maxLength, &written, &size, &type,
                          name.data());
    appMessage(" %-5d | %s\n", gl->glGetAttribLocation(program, name.data()), name.data());
  }
}

void GlslProgram::release() {
  if (gl && handle > 0) {
    const GLuint program = static_cast<GLuint>(handle);
    GLuint shaders[kGlslMaxUniformArray] = {};
    GLsizei count = 0;
    gl->glGetAttachedShaders(program, kGlslMaxUniformArray, &count, shaders);
    if (count > kGlslMaxUniformArray) return;
    for (GLsizei i = 0; i < count; ++i) {
      if (shaders[i] == 0) appMessage("shaders[%d] does not exist \n", static_cast<int>(i));
      gl->glDeleteShader(shaders[i]);
    }
    gl->glDeleteProgram(program);
  }
  handle = 0;
  linked = false;
}

} // namespace pavo
