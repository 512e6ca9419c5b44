// tunvex: the drop window that sorts music files into a folder tree by their tags.
#include <QApplication>

#include <clocale>
#include <cstdlib>

#include "core/base/text.h"
#include "gui/base/qt_translation.h"
#include "gui/dialogs/dialog_units.h"
#include "gui/dialogs/message_box.h"
#include "gui/dialogs/message_icons.h"
#include "gui/display_choice.h"
#include "gui/tunvex_app.h"

int main(int argc, char** argv) {
    using namespace tunvex;
    if (!ApplyDisplayChoice(ChooseDisplay(std::getenv, HasPlatformArgument(argc, argv))))
        return 2;
    QApplication application(argc, argv);
    std::setlocale(LC_ALL, "");
    InstallQtJapanese();
    InstallFontSubstitutions();
    InstallDrawnMessageIcons();
    InstallWindowMessageSink(SystemCodePage());
    CTunvexApp app;
    int status = app.InitInstance();
    app.ExitInstance();
    return status;
}
