#include "gui/tunvex_app.h"

#include "core/base/catalogue.h"
#include "core/base/messages.h"
#include "core/base/paths.h"
#include "core/base/text.h"
#include "core/system/instance_guard.h"
#include "core/system/settings_location.h"
#include "gui/dialogs/help_key.h"
#include "gui/dialogs/modal_dialogs.h"
#include "gui/help_launcher.h"
#include "gui/stop_signals.h"
#include "gui/window/drop_dialog.h"

namespace tunvex {
namespace {

constexpr int kExitNormal = 0;
constexpr int kExitFailed = 1;

// The executable's path with its extension replaced; 0, or the message of the failing step.
unsigned PathBesideExecutable(const char* extension, std::string& path) {
    path = ExecutablePath();
    if (path.empty())
        return kMsgExecutablePathUnknown;
    if (!RenameExtension(SystemCodePage(), path, extension))
        return kMsgExtensionNotRenamed;
    return 0;
}

// The INI file beside the program, or under XDG_CONFIG_HOME when the program's folder cannot
// be written.
std::string SettingsPathFor(const std::string& besideExecutable) {
    std::size_t separator = besideExecutable.rfind(kPathSeparator);
    return SettingsFilePath(besideExecutable.substr(0, separator),
                            besideExecutable.substr(separator + 1));
}

}  // namespace

CTunvexApp::CTunvexApp() = default;
CTunvexApp::~CTunvexApp() = default;

int CTunvexApp::InitInstance() {
    StopSignals stop([this] { OnStopRequested(); });
    guard_ = std::make_unique<InstanceGuard>(ExecutableBaseName());
    if (guard_->state() == GuardState::AlreadyHeld)
        return kExitNormal;
    if (!BindTagLibrary(library))
        return kExitFailed;
    std::string iniPath;
    unsigned failure = PathBesideExecutable(".chm", helpFilePath_);
    if (failure == 0)
        failure = PathBesideExecutable(".ini", iniPath);
    if (failure != 0) {
        UnloadTagLibrary(library);
        ShowMessage(failure);
        return kExitFailed;
    }
    profileName_ = SettingsPathFor(iniPath);
    if (!LoadSettings(settings, profileName_)) {
        UnloadTagLibrary(library);
        ShowMessage(kMsgSettingsNotLoaded);
        return kExitFailed;
    }
    if (!stopRequested_) {
        HelpKeyFilter helpKey([this](const char* topic) {
            HtmlHelp(reinterpret_cast<quintptr>(topic), kHelpDisplayTopic);
        });
        CDropDlg window(settings, library, [this] { HtmlHelp(0, 0); });
        mainWindow_ = &window;
        // A stop while a message of the window's initialisation was up ends it unshown.
        if (!stopRequested_)
            window.exec();
        mainWindow_ = nullptr;
    }
    int status = kExitNormal;
    CreateSettingsFolder(profileName_);
    if (!SaveSettings(settings, profileName_)) {
        ShowMessage(kMsgSettingsNotSaved);
        status = kExitFailed;
    }
    UnloadTagLibrary(library);
    return status;
}

// Messages still to come go to stderr: a box would keep the program from ending. The box sink
// is kept, as it may be showing the box being ended.
void CTunvexApp::OnStopRequested() {
    stopRequested_ = true;
    if (!boxSink_)
        boxSink_ =
            SetMessageSink([](unsigned, const std::string& text) { PrintProgramMessage(text); });
    if (mainWindow_ != nullptr) {
        mainWindow_->OnStopRequested();
    } else {
        EndModalDialogs();
    }
}

int CTunvexApp::ExitInstance() {
    guard_.reset();
    return kExitNormal;
}

// Every command opens the file, at the page data names (a C string) or else its default topic.
void CTunvexApp::HtmlHelp(quintptr data, unsigned) {
    ShowHtmlHelp(helpFilePath_, data != 0 ? reinterpret_cast<const char*>(data) : "");
}

}  // namespace tunvex
