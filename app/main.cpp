// tunvex: the drop window that sorts music files into a folder tree by their tags.
#include <QApplication>

#include <clocale>
#include <cstdlib>

#include "app/display_choice.h"
#include "app/tunvex_app.h"
#include "platform/text.h"
#include "ui/dialog_units.h"
#include "ui/message_box.h"

int main(int argc, char** argv) {
    using namespace tunvex;
    if (!ApplyDisplayChoice(ChooseDisplay(std::getenv, HasPlatformArgument(argc, argv))))
        return 2;
    QApplication application(argc, argv);
    std::setlocale(LC_ALL, "");
    InstallFontSubstitutions();
    InstallWindowMessageSink(SystemCodePage());
    CTunvexApp app;
    int status = app.InitInstance();
    app.ExitInstance();
    return status;
}
