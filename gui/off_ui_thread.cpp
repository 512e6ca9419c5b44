#include "gui/off_ui_thread.h"

#include <QEventLoop>

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

void PostToUiThread(std::function<void()> call) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(call), Qt::QueuedConnection);
}

}  // namespace tunvex
