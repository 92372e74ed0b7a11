// The main window's commands on a real viewer: meshes written back and read again, bad answers,
// a dropped file, the window size, the help boxes and a panel control seen in the picture.
#include "ui/recent_files.h"

#include "gl_viewer_events.h"
#include "main_window_fixture.h"
#include "pav_io.h"
#include "pav_object.h"

#include <QComboBox>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pavo;

namespace {

struct Window : pavo_test::MainWindow {
  Window() : MainWindow(pavo_test::scratchDir("main_window"), {640, 520}) {}
};

const std::string kMesh = pavo_test::sourceDir() + "/examples/annulus_p2.mesh";

int64_t count(const std::string &file, int type) {
  PavObject *obj = nullptr;
  pav_NewInterface(&obj);
  char status[PAV_IO_STATUS_SIZE] = "";
  int64_t n = pav_OpenMesh(obj, file.c_str(), status) == 0 ? pav_Count(obj, type) : -1;
  pav_DeleteInterface(&obj);
  return n;
}

TEST(MainWindow, OpenWriteAndReadBack) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  Window w;
  pavo_test::captured([&] { w.run("openMesh", {QString::fromStdString(kMesh)}); });
  if (!w.viewer->meshObject()) GTEST_SKIP() << "the viewer's loading sequence is not built in";
  EXPECT_EQ(readRecentFiles(w.settings).value(0), QString::fromStdString(kMesh));
  const int64_t vertices = pav_Count(w.viewer->meshObject(), Vertices);
  const std::string out = pavo_test::captured([&] {
    // Written back under a name without extension: binary mesh plus the solution beside it.
    w.run("saveMeshSol", {QString::fromStdString(w.path("out"))});
    // Writing onto the file that is open replaces it safely with the same mesh.
    w.run("saveMesh", {QString::fromStdString(w.path("ascii.mesh"))});
    w.run("openMesh", {QString::fromStdString(w.path("ascii.mesh"))});
    w.run("saveMesh", {QString::fromStdString(w.path("ascii.mesh"))});
  });
  EXPECT_EQ(count(w.path("ascii.mesh"), Vertices), vertices);
  EXPECT_NE(out.find("  %% Mesh written in " + w.path("out.meshb") + "\n"), std::string::npos);
  EXPECT_EQ(count(w.path("out.meshb"), Vertices), vertices);
  EXPECT_NE(out.find("  %% Solution written in " + w.path("out.solb") + "\n"), std::string::npos);
}

TEST(MainWindow, BadAnswersKeepTheWindowWorking) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  Window w;
  const QString missing = QString::fromStdString(w.path("none.meshb"));
  recordRecentFile(w.settings, missing); // a recent file deleted since
  const std::string sealed = w.path("sealed"), locked = w.path("locked.mesh");
  std::ofstream(locked) << "x";
  chmod(locked.c_str(), 0); // unreadable
  const std::string out = pavo_test::captured([&] {
    w.run("openMesh", {missing, QString::fromStdString(w.dir), QString::fromStdString(locked)});
    w.run("saveMesh", {QString::fromStdString(w.path("x.meshb"))}); // nothing loaded yet
    w.run("openMesh", QStringList());                               // cancelled
    w.run("openMesh", {QString::fromStdString(kMesh)});
    // A read-only folder, and a read-only existing file, are refused; the file stays as it was.
    ASSERT_EQ(mkdir(sealed.c_str(), 0500), 0);
    QFile keep(QString::fromStdString(w.path("keep.meshb")));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.write("old");
    keep.close();
    keep.setPermissions(QFile::ReadOwner);
    w.run("saveMesh", {QString::fromStdString(sealed + "/x.meshb")});
    w.run("saveMesh", {QString::fromStdString(w.path("keep.meshb"))});
    w.run("saveMesh", {QString::fromStdString(w.path("no/x.meshb"))}); // no such folder
  });
  if (!w.viewer->meshObject()) GTEST_SKIP() << "the viewer's loading sequence is not built in";
  EXPECT_NE(out.find(missing.toStdString() + " does not exist"), std::string::npos);
  EXPECT_NE(out.find(w.dir + " is a folder"), std::string::npos);
  EXPECT_NE(out.find("there is no mesh to write"), std::string::npos);
  EXPECT_NE(out.find("its folder does not exist"), std::string::npos);
  if (geteuid() != 0) { // permissions do not bind root
    EXPECT_NE(out.find("its folder is read-only"), std::string::npos);
    EXPECT_NE(out.find("cannot be read"), std::string::npos);
    EXPECT_EQ(pavo_test::readFile(w.path("keep.meshb")), "old");
  }
  EXPECT_FALSE(readRecentFiles(w.settings).contains(missing));
  chmod(sealed.c_str(), 0700);
}

TEST(MainWindow, SizeHelpPanelsAndDrop) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  Window w;
  w.texts = {"400 x 300", "1024*768"};
  w.ctl->actions().action("setWindowSize")->trigger();
  EXPECT_EQ(w.container->size(), QSize(400, 300));
  w.ctl->actions().action("setWindowSize")->trigger();
  EXPECT_EQ(w.container->size(), QSize(400, 300));

  w.ctl->actions().action("shortcuts")->trigger();
  w.ctl->actions().action("showhelp")->trigger();
  ASSERT_EQ(w.messages.size(), 2u);
  EXPECT_EQ(w.messages[0].first.toStdString(), shortcutListText());

  // The background control of Modify View reaches this window's view (the black frame it then
  // draws: SceneWindowTest's screenshot).
  w.ctl->actions().action("openview")->trigger();
  w.ctl->panel("openview")->findChild<QComboBox *>("background")->setCurrentIndex(1);
  EXPECT_FALSE(w.viewer->view.whiteBackground);
  // Dropping two files opens the first only.
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(kMesh)),
                QUrl::fromLocalFile(
                    QString::fromStdString(pavo_test::sourceDir() + "/examples/sphere_p3.mesh"))});
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  pavo_test::captured([&] { w.ctl->drop(&drop); });
  if (!w.viewer->meshObject()) GTEST_SKIP() << "the viewer's loading sequence is not built in";
  EXPECT_EQ(w.viewer->meshName(), QString::fromStdString(kMesh));
}

} // namespace
