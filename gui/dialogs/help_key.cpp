#include "gui/dialogs/help_key.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace tunvex {
namespace {

constexpr char kHelpTopicProperty[] = "tunvexHelpTopic";

}  // namespace

void SetHelpTopic(QWidget* window, const char* page) {
    window->setProperty(kHelpTopicProperty, QByteArray(page));
}

HelpKeyFilter::HelpKeyFilter(std::function<void(const char* topic)> showHelp)
    : showHelp_(std::move(showHelp)) {
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
    if (key->isAutoRepeat())
        return true;
    const QByteArray topic =
        static_cast<QWidget*>(watched)->window()->property(kHelpTopicProperty).toByteArray();
    showHelp_(topic.isEmpty() ? nullptr : topic.constData());
    return true;
}

}  // namespace tunvex
