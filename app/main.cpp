// tunvex: the drop window that sorts music files into a folder tree by their tags.
#include <QApplication>

#include <clocale>

#include "app/tunvex_app.h"
#include "platform/text.h"
#include "ui/dialog_units.h"
#include "ui/message_box.h"
#include "ui/qt_translation.h"

int main(int argc, char** argv) {
    using namespace tunvex;
    QApplication application(argc, argv);
    std::setlocale(LC_ALL, "");
    InstallQtJapanese();
    InstallFontSubstitutions();
    InstallWindowMessageSink(SystemCodePage());
    CTunvexApp app;
    int status = app.InitInstance();
    app.ExitInstance();
    return status;
}
