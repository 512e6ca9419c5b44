#include "gui/help_key.h"

#include <QApplication>
#include <QKeyEvent>

namespace tunvex {

HelpKeyFilter::HelpKeyFilter(std::function<void()> showHelp) : showHelp_(std::move(showHelp)) {
    qApp->installEventFilter(this);
}

HelpKeyFilter::~HelpKeyFilter() {
    qApp->removeEventFilter(this);
}

bool HelpKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier)
        return false;
    if (!key->isAutoRepeat())
        showHelp_();
    return true;
}

}  // namespace tunvex
