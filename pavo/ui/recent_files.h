// The list of recently opened files, kept in the settings store under "recentFileList" (most
// recent first, at most ten names), and the recent-file actions of the File menu that show it.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QAction;
class QSettings;

namespace pavo {

constexpr const char *kRecentFileKey = "recentFileList";
constexpr int kRecentFileMax = 10;

// The list with `path` first: earlier copies of it are removed, and entries beyond ten are
// dropped from the end.
QStringList withRecentFile(QStringList list, const QString &path);
// The list without `path` (an entry whose file could not be opened).
QStringList withoutRecentFile(QStringList list, const QString &path);

// The stored list. A value of another type reads as an empty list; empty names are skipped and
// at most ten entries are kept, so a damaged store never shows garbage.
QStringList readRecentFiles(const QSettings &settings);
// Records `path` as the most recent file and returns the new list.
QStringList recordRecentFile(QSettings &settings, const QString &path);
// Removes `path` from the stored list and returns the new list.
QStringList forgetRecentFile(QSettings &settings, const QString &path);

// The first min(10, list length) actions get the text "&<file name without its folder>", the
// full path as data, and are shown; the others are hidden.
void fillRecentActions(const QList<QAction *> &actions, const QStringList &list);

} // namespace pavo
