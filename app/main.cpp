// tunvex: opens the settings dialog on the settings of the INI file beside the program.
#include <QApplication>

#include <clocale>

#include "platform/paths.h"
#include "settings/settings.h"
#include "settings/settings_dialog.h"
#include "ui/dialog_units.h"
#include "ui/message_box.h"

int main(int argc, char** argv) {
    using namespace tunvex;
    std::setlocale(LC_ALL, "");
    QApplication application(argc, argv);
    InstallFontSubstitutions();
    InstallWindowMessageSink(SystemCodePage());
    Settings settings;
    if (!LoadSettings(settings, ExecutableDirectory() + "/" + ExecutableBaseName() + ".ini"))
        return 1;
    CSettingsDlg dialog(settings);
    dialog.exec();
    return 0;
}
