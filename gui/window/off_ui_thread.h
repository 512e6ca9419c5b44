// Long work (a sort, an undo) runs on a thread of its own while the UI thread goes on with its
// event loop, so the windows paint and answer the window manager through a slow fsync or a long
// chunk; what the work must show or ask goes back to the UI thread.
#pragma once

#include <QCoreApplication>
#include <QMetaObject>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <type_traits>

namespace tunvex {

// Runs work on a new thread and returns once it has returned; the UI thread's events are handled
// meanwhile, the calls work posted among them, all before this returns.
void RunOffUiThread(const std::function<void()>& work);

// Runs call on the UI thread, in the order posted; does not wait.
void PostToUiThread(std::function<void()> call);

// Runs call on the UI thread and waits for its result: a worker's question. Never from the UI
// thread itself.
template <class Call>
std::invoke_result_t<Call> AskOnUiThread(Call call) {
    std::invoke_result_t<Call> result{};
    std::mutex lock;
    std::condition_variable answered;
    bool done = false;
    PostToUiThread([&] {
        std::invoke_result_t<Call> answer = call();
        std::lock_guard hold(lock);
        result = answer;
        done = true;
        answered.notify_one();
    });
    std::unique_lock hold(lock);
    answered.wait(hold, [&] { return done; });
    return result;
}

// Passes a worker's reports to show on the UI thread latest first, never queued deeper than
// one, so fast work does not flood the event loop. Lives until RunOffUiThread has returned.
template <class Report>
class LatestOnUiThread {
  public:
    explicit LatestOnUiThread(std::function<void(const Report&)> show) : show_(std::move(show)) {}

    void Pass(const Report& report) {
        {
            std::lock_guard hold(lock_);
            latest_ = report;
        }
        if (posted_.exchange(true))
            return;
        PostToUiThread([this] {
            posted_ = false;
            Report shown;
            {
                std::lock_guard hold(lock_);
                shown = latest_;
            }
            show_(shown);
        });
    }

  private:
    std::function<void(const Report&)> show_;
    std::mutex lock_;
    Report latest_{};
    std::atomic<bool> posted_ = false;
};

}  // namespace tunvex
