#include "ui/dialog_answers.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace pavo {

bool parseWindowSize(const QString &answer, int *w, int *h) {
  static const QRegularExpression re(
      QRegularExpression::anchoredPattern(QStringLiteral("([0-9]+) *x *([0-9]+)")));
  const QRegularExpressionMatch m = re.match(answer);
  if (!m.hasMatch()) return false;
  bool okW = false, okH = false;
  const int width = m.captured(1).toInt(&okW), height = m.captured(2).toInt(&okH);
  if (!okW || !okH || width < 1 || height < 1 || width > 32767 || height > 32767) return false;
  *w = width;
  *h = height;
  return true;
}

namespace {
// The rules look at the file's own name only: a folder called "a.mesh" says nothing about the
// file inside it.
int fileNameStart(const QString &name) { return name.lastIndexOf('/') + 1; }
QString withSuffix(const QString &name, const char *mark, const char *suffix) {
  return name.indexOf(mark, fileNameStart(name)) >= 0 ? name : name + suffix;
}
QString error(const QString &path, const char *why) {
  return QString("  ## ERROR: %1 %2\n").arg(path, why);
}
} // namespace

QString meshOutputName(const QString &name) { return withSuffix(name, ".mesh", ".meshb"); }
QString solutionOutputName(const QString &name) { return withSuffix(name, ".sol", ".solb"); }
QString dataOutputName(const QString &name) { return withSuffix(name, ".data", ".data"); }

QString solutionBesideMesh(const QString &meshName) {
  const int at = meshName.lastIndexOf(".mesh");
  if (at < fileNameStart(meshName)) return meshName + ".solb";
  QString name = meshName;
  return name.replace(at, 5, ".sol");
}

QString inputFileProblem(const QString &path) {
  const QFileInfo info(path);
  if (path.isEmpty() || !info.exists()) return error(path, "does not exist");
  if (info.isDir()) return error(path, "is a folder, not a file");
  if (!info.isReadable()) return error(path, "cannot be read");
  return {};
}

QString outputFileProblem(const QString &path) {
  const QFileInfo info(path);
  if (path.isEmpty()) return error(path, "is not a file name");
  if (info.isDir()) return error(path, "is a folder, not a file");
  const QFileInfo folder(info.absolutePath());
  if (!folder.isDir()) return error(path, "cannot be written: its folder does not exist");
  if (!folder.isWritable()) return error(path, "cannot be written: its folder is read-only");
  if (info.exists() && !info.isWritable()) return error(path, "cannot be written: it is read-only");
  return {};
}

} // namespace pavo
