#pragma once

// Return and keypad Enter press the button that has the keyboard's focus, as Space does: Qt's own
// buttons take Return only inside a QDialog. Installed once, on the application.

namespace storm::qt {

void installButtonKeys();

}  // namespace storm::qt
