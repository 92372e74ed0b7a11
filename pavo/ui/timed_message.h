// Message boxes of the batch modes. A batch run may have nobody in front of the screen, so the
// box closes itself after a few seconds instead of waiting for a click.
#pragma once

#include <QString>

namespace pavo {

// Shows an information box with `text` until it is closed or `ms` milliseconds have passed.
void showTimedMessage(const QString &text, int ms = 3000);

} // namespace pavo
