#pragma once

// One dark palette for the whole application, the screens' own colours: dialogs, menus, tooltips
// and the file dialog match the screens, and nothing glares at night.

namespace storm::qt {

void useDarkPalette();

}  // namespace storm::qt
