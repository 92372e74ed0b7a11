// The movie and data-sequence modes run as pavo4 processes under the test's X server: which
// images they write under which names, what they print, and how they end when their list file
// is missing or names a mesh that cannot be read.
#include "pavo_process.h"
#include "test_paths.h"

#include <QImage>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using pavo_test::has;
using pavo_test::runPavo;

namespace {

// A unit square of two triangles in the plane z = 0, with a vertex field.
void writeSquare(const std::string &dir) {
  std::ofstream(dir + "/sq.mesh") << "MeshVersionFormatted 2\nDimension 3\nVertices\n4\n"
                                     "0 0 0 1\n1 0 0 1\n1 1 0 1\n0 1 0 1\n"
                                     "Triangles\n2\n1 2 3 1\n1 3 4 1\nEnd\n";
  std::ofstream(dir + "/sq.sol") << "MeshVersionFormatted 2\nDimension 3\nSolAtVertices\n4\n1 1\n"
                                    "0\n1\n2\n3\nEnd\n";
}

// The image is a picture of the window's view; with `meshShown` the square, fitted in the middle
// of the view, covers its centre while a corner keeps the white background.
void expectImage(const std::string &file, bool meshShown = true) {
  SCOPED_TRACE(file);
  QImage img(QString::fromStdString(file));
  ASSERT_FALSE(img.isNull());
  EXPECT_EQ(img.pixel(img.width() - 3, img.height() - 3), qRgb(255, 255, 255));
  EXPECT_EQ(img.pixel(img.width() / 2, img.height() / 2) != qRgb(255, 255, 255), meshShown);
}

} // namespace

// One frame per non-empty line of pavo.movie: three words name the image, two name it after the
// solution, one after the mesh (".jpg" added to names of no image format); a mesh that cannot be
// read is reported and its frame still written.
TEST(MovieMode, WritesOneImagePerLineUnderItsName) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
  const std::string dir = pavo_test::scratchDir("movie_frames");
  writeSquare(dir);
  std::ofstream(dir + "/pavo.movie") << "sq.mesh sq.sol first.png\n\nsq.mesh sq.sol\n"
                                        "sq.mesh\n  \nnone.mesh none.sol last.bmp\n";
  const pavo_test::ProcessResult r = runPavo(dir, {"-movie", "-data", "view.meshb"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(has(r.out, " pav_OpenMesh failed error   2 : Cannot open mesh file none.mesh"));
  for (const char *image : {"first.png", "sq.sol.jpg", "sq.mesh.jpg"})
    expectImage(dir + "/" + image);
  expectImage(dir + "/last.bmp", false);
}

// One frame per line of the sequence file, named by its second word or else after the view-state
// file; -nameseq picks another list file.
TEST(SeqMode, WritesOneImagePerViewState) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
  const std::string dir = pavo_test::scratchDir("seq_frames");
  writeSquare(dir);
  std::ofstream(dir + "/views.txt") << "top.data top.png\n\nside.data\n";
  const pavo_test::ProcessResult r =
      runPavo(dir, {"-seq", "-in", "sq.mesh", "-sol", "sq.sol", "-nameseq", "views.txt"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(has(r.out, "  opening views.txt file \n  Launching the sequence data generator\n\n"))
      << r.out;
  expectImage(dir + "/top.png");
  expectImage(dir + "/side.data.jpg");
}
