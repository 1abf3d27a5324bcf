// A computation of the curve view that may take long (statistics of a range, the envelopes of
// the points) run on a thread of its own, so the chart and the cursor stay responsive meanwhile.
// One at a time: starting another cancels the one running, whose result is then never delivered.
// The result is handed over on the owner's thread; the progress is reported there too, once the
// computation has run for longer than a frame or two.
#pragma once

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "range_stats.h"

class StatsWorker : public QObject {
    Q_OBJECT
  public:
    // Runs on the worker's thread: computes, watching watch (cancelled, progress), and returns
    // what is to be done with the result on the owner's thread.
    using Work = std::function<std::function<void()>(const Watch& watch)>;

    // Progress is reported once a computation has run this long.
    static constexpr int kQuietMs = 100;

    explicit StatsWorker(QObject* parent = nullptr);
    // Cancels the computation and waits for the thread: what the work reads may go after this.
    ~StatsWorker() override;

    // Cancels the running computation and starts work.
    void Start(Work work);
    // Cancels the running computation; its result is never delivered.
    void Cancel();
    // Cancels the running computation and waits until the thread has left it, so that what it
    // read may change.
    void Stop();
    // True from Start until the result is delivered or the computation is cancelled.
    bool Busy() const { return busy_; }
    // Waits (running the owner's events) until the computation is delivered or ms pass; true
    // when nothing is left running.
    bool WaitDone(int ms);

  signals:
    // The share of the running computation done, in thousandths, after kQuietMs; -1 when it
    // ended (delivered or cancelled).
    void Progress(int perMille);

  private:
    void Loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    bool running_ = false;              // the thread is in a computation
    Work next_;                         // work waiting for the thread
    uint64_t started_ = 0;              // the number of the latest Start
    std::atomic<uint64_t> current_{0};  // the number of the work that may deliver
    std::atomic<bool> cancelled_{false};
    bool quit_ = false;
    bool busy_ = false;
    std::thread thread_;  // last: it ends before what it uses goes
};
