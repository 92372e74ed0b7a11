#include "ui/timed_message.h"

#include <QMessageBox>
#include <QTimer>

namespace pavo {

void showTimedMessage(const QString &text, int ms) {
  QMessageBox box;
  box.setIcon(QMessageBox::Information);
  box.setWindowTitle("Pavo 4");
  box.setText(text);
  QTimer::singleShot(ms, &box, &QMessageBox::close);
  box.exec();
}

} // namespace pavo
