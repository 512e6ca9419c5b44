#include "gui/window/off_ui_thread.h"

#include <QEvent>
#include <QEventLoop>

#include <deque>
#include <mutex>
#include <thread>

namespace tunvex {

void RunOffUiThread(const std::function<void()>& work) {
    QEventLoop loop;
    // Posted after everything the work posted, so those calls have all run when the loop ends.
    std::thread worker([&] {
        work();
        PostToUiThread([&loop] { loop.quit(); });
    });
    loop.exec();
    worker.join();
}

namespace {

// The calls pass through a queue of our own, under a lock a race checker sees; Qt's event only
// says when to run them, carrying nothing of ours.
std::mutex postedLock;
std::deque<std::function<void()>> posted;

void RunPosted() {
    std::deque<std::function<void()>> calls;
    {
        std::lock_guard hold(postedLock);
        calls.swap(posted);
    }
    for (std::function<void()>& call : calls)
        call();
}

constexpr QEvent::Type kRunPosted = QEvent::User;

class PostedCallsRunner : public QObject {
  public:
    bool event(QEvent* event) override {
        if (event->type() != kRunPosted)
            return QObject::event(event);
        RunPosted();
        return true;
    }
};

// Lives on the UI thread, whichever thread posts first.
QObject& Runner() {
    static PostedCallsRunner* runner = [] {
        auto* made = new PostedCallsRunner;
        made->moveToThread(QCoreApplication::instance()->thread());
        return made;
    }();
    return *runner;
}

}  // namespace

void PostToUiThread(std::function<void()> call) {
    {
        std::lock_guard hold(postedLock);
        posted.push_back(std::move(call));
    }
    QCoreApplication::postEvent(&Runner(), new QEvent(kRunPosted));
}

}  // namespace tunvex
