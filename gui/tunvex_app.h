// The application object: carries the whole life of the program. Start-up takes the
// single-instance guard, binds the tag library, derives the help and INI paths, loads the
// settings and runs the drop window; when the window has ended it saves the settings and
// unbinds the library. The window is given the settings, the library and the help, no more.
#pragma once

#include <QtGlobal>

#include <memory>
#include <string>

#include "core/base/messages.h"
#include "core/settings/settings.h"
#include "core/tags/tag_library.h"

namespace tunvex {

constexpr unsigned kHelpDisplayTopic = 0;

class CDropDlg;
class InstanceGuard;

class CTunvexApp {
  public:
    CTunvexApp();
    virtual ~CTunvexApp();

    // The start-up sequence, the window's run and the orderly end. Exit status: 0 after a run
    // and for a second instance, 1 when start-up failed or the settings could not be saved.
    int InitInstance();
    // Gives the guard back.
    int ExitInstance();
    // Opens the help file; command kHelpDisplayTopic shows the page data points to (a C string),
    // or its default topic when data is 0.
    virtual void HtmlHelp(quintptr data, unsigned command);

    const std::string& helpFilePath() const { return helpFilePath_; }
    const std::string& profileName() const { return profileName_; }

    Settings settings;
    TagLibrary library;

  private:
    // A stop signal: ends the window in order, or keeps it from opening.
    void OnStopRequested();

    CDropDlg* mainWindow_ = nullptr;
    bool stopRequested_ = false;
    MessageSink boxSink_;
    std::unique_ptr<InstanceGuard> guard_;
    std::string helpFilePath_;
    std::string profileName_;
};

}  // namespace tunvex
