#include "ui/recent_files.h"

#include <QAction>
#include <QFileInfo>
#include <QSettings>

namespace pavo {

QStringList withRecentFile(QStringList list, const QString &path) {
  list.removeAll(path);
  list.prepend(path);
  while (list.size() > kRecentFileMax) list.removeLast();
  return list;
}

QStringList withoutRecentFile(QStringList list, const QString &path) {
  list.removeAll(path);
  return list;
}

QStringList readRecentFiles(const QSettings &settings) {
  const QVariant value = settings.value(kRecentFileKey);
  QStringList list;
  // A single string is stored as such by some back ends when the list has one entry.
  if (value.type() == QVariant::StringList || value.type() == QVariant::String) {
    for (const QString &name : value.toStringList())
      if (!name.isEmpty() && !list.contains(name) && list.size() < kRecentFileMax)
        list.append(name);
  }
  return list;
}

QStringList recordRecentFile(QSettings &settings, const QString &path) {
  const QStringList list = withRecentFile(readRecentFiles(settings), path);
  settings.setValue(kRecentFileKey, list);
  return list;
}

QStringList forgetRecentFile(QSettings &settings, const QString &path) {
  const QStringList list = withoutRecentFile(readRecentFiles(settings), path);
  settings.setValue(kRecentFileKey, list);
  return list;
}

void fillRecentActions(const QList<QAction *> &actions, const QStringList &list) {
  for (int i = 0; i < actions.size(); i++) {
    if (i < list.size()) {
      actions[i]->setText(QString("&%2").arg(QFileInfo(list[i]).fileName()));
      actions[i]->setData(list[i]);
      actions[i]->setVisible(true);
    } else {
      actions[i]->setVisible(false);
    }
  }
}

} // namespace pavo
