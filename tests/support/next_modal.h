// Answers the next modal window of a type once it shows, as a person at the desktop would.
#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>

namespace tunvex::testing {

// Calls answer with the next active modal Window; the poll ends once it has.
template <typename Window>
void AnswerNextModal(std::function<void(Window*)> answer, int pollMilliseconds = 10) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, answer = std::move(answer)] {
        if (auto* window = qobject_cast<Window*>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            poll->stop();
            answer(window);
        }
    });
    poll->start(pollMilliseconds);
}

}  // namespace tunvex::testing
