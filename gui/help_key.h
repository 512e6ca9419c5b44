// F1 anywhere in the program opens its help, as the framework's Help command does on Windows:
// in the drop window and in every dialog it opens, modal ones included, which a window's own
// shortcut would not reach.
#pragma once

#include <QObject>

#include <functional>

namespace tunvex {

class HelpKeyFilter : public QObject {
  public:
    // Watches the whole application while it lives.
    explicit HelpKeyFilter(std::function<void()> showHelp);
    ~HelpKeyFilter() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void()> showHelp_;
};

}  // namespace tunvex
