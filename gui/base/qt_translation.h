// Qt's own texts (the folder picker's labels and buttons, the standard dialogs and edit menus) in
// Japanese, as every other text of the program is, whatever the locale.
#pragma once

namespace tunvex {

// Call once the application object exists. False when Qt's Japanese translation is not
// installed: Qt's texts then stay English.
bool InstallQtJapanese();

}  // namespace tunvex
