// F1 anywhere in the program opens its help, as the framework's Help command does on Windows:
// in the drop window and in every dialog it opens, modal ones included, which a window's own
// shortcut would not reach.
#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace tunvex {

// The help page F1 opens in window (a page name in the help file); without one, the default topic.
void SetHelpTopic(QWidget* window, const char* page);

class HelpKeyFilter : public QObject {
  public:
    // Watches the whole application while it lives; showHelp gets the topic of the window the key
    // went to, nullptr for the default topic.
    explicit HelpKeyFilter(std::function<void(const char* topic)> showHelp);
    ~HelpKeyFilter() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void(const char* topic)> showHelp_;
};

}  // namespace tunvex
