// Build-time tool: writes the window's icon as square PNG files, one per size, in the layout of
// an icon theme: <output folder>/<n>x<n>/apps/<name>.png.
//
//   pavo_make_icons <source image> <output folder> <name> <size>...
//
// The largest image of the source (an .ico may hold several) is scaled to each size.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <cstdio>
#include <cstdlib>

namespace {

QImage largestImage(const QString &path) {
  QImageReader reader(path);
  QImage best;
  const int count = reader.imageCount() > 0 ? reader.imageCount() : 1;
  for (int i = 0; i < count; ++i) {
    if (count > 1 && !reader.jumpToImage(i)) break;
    const QImage image = reader.read();
    if (!image.isNull() && image.width() * image.height() > best.width() * best.height())
      best = image;
  }
  return best;
}

} // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv); // image format plugins (the .ico reader) are found through it
  if (argc < 5) {
    std::fprintf(stderr, "usage: pavo_make_icons source.ico output_folder name size...\n");
    return 2;
  }
  const QString source = QString::fromLocal8Bit(argv[1]);
  const QImage image = largestImage(source);
  if (image.isNull()) {
    std::fprintf(stderr, "pavo_make_icons: cannot read %s\n", argv[1]);
    return 1;
  }
  const QImage rgba = image.convertToFormat(QImage::Format_ARGB32);
  for (int i = 4; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    if (size <= 0 || size > 1024) {
      std::fprintf(stderr, "pavo_make_icons: bad size %s\n", argv[i]);
      return 2;
    }
    const QString folder =
        QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
    const QString file = folder + QLatin1Char('/') + QString::fromLocal8Bit(argv[3]) + ".png";
    const QImage scaled = rgba.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (!QDir().mkpath(folder) || !scaled.save(file, "PNG")) {
      std::fprintf(stderr, "pavo_make_icons: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
