#include "gui/window/off_ui_thread.h"

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
// says when to run them, carrying nothing.
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

}  // namespace

void PostToUiThread(std::function<void()> call) {
    {
        std::lock_guard hold(postedLock);
        posted.push_back(std::move(call));
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), &RunPosted, Qt::QueuedConnection);
}

}  // namespace tunvex
