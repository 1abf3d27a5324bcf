#include "stats_worker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include "file_system.h"

StatsWorker::StatsWorker(QObject* parent) : QObject(parent) {
    thread_ = std::thread([this] {
        storefs::HoldEndingSignals();
        YieldToTheWindow();
        Loop();
    });
}

StatsWorker::~StatsWorker() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
        next_ = nullptr;
        cancelled_ = true;
        current_ = 0;
    }
    wake_.notify_all();
    thread_.join();
}

void StatsWorker::Start(Work work) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cancelled_ = true;  // the running work stops at its next look
        next_ = std::move(work);
        current_ = ++started_;
    }
    busy_ = true;
    wake_.notify_all();
}

void StatsWorker::Cancel() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cancelled_ = true;
        next_ = nullptr;
        current_ = 0;
    }
    if (busy_) {
        busy_ = false;
        emit Progress(-1);
    }
}

void StatsWorker::Stop() {
    Cancel();
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return !running_; });
}

bool StatsWorker::WaitDone(int ms) {
    QElapsedTimer t;
    t.start();
    while (busy_ && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (busy_)
            QThread::msleep(1);
    }
    return !busy_;
}

void StatsWorker::Loop() {
    for (;;) {
        Work work;
        uint64_t number = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || next_ != nullptr; });
            if (quit_)
                return;
            work = std::move(next_);
            next_ = nullptr;
            number = started_;
            cancelled_ = false;
            running_ = true;
        }
        QElapsedTimer clock;
        clock.start();
        int reported = -1;
        Watch watch;
        watch.cancelled = &cancelled_;
        watch.progress = [&](int perMille) {
            // A few reports a second at most, and none for a computation that ends at once.
            if (clock.elapsed() < kQuietMs || perMille / 50 == reported / 50)
                return;
            reported = perMille;
            QMetaObject::invokeMethod(
                this,
                [this, number, perMille] {
                    if (current_ == number)
                        emit Progress(perMille);
                },
                Qt::QueuedConnection);
        };
        std::function<void()> deliver = work(watch);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            running_ = false;
        }
        idle_.notify_all();
        if (cancelled_)
            continue;
        QMetaObject::invokeMethod(
            this,
            [this, number, deliver = std::move(deliver)] {
                // A later Start or Cancel made this result stale.
                if (current_ != number || !busy_)
                    return;
                busy_ = false;
                if (deliver)
                    deliver();
                emit Progress(-1);
            },
            Qt::QueuedConnection);
    }
}
