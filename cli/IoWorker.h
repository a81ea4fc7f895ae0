#pragma once
// A thread beside the caller that runs one job at a time: reading the next block and writing the
// previous one overlap the engine's work on the current block, so that the engine's time hides
// under the file I/O on a machine with two cores or more.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace qmduck {

class IoWorker {
public:
    IoWorker();
    // Waits for the job in hand, then ends the thread.
    ~IoWorker();
    IoWorker(const IoWorker&) = delete;
    IoWorker& operator=(const IoWorker&) = delete;

    // Hands `job` to the thread; the previous job must have been waited for.
    void start(std::function<void()> job);
    // Returns when the job last started has finished; what it wrote is then visible here.
    void wait();

private:
    void run();

    std::mutex lock;
    std::condition_variable changed;
    std::function<void()> job;
    bool busy = false;
    bool stopping = false;
    std::thread thread;
};

}  // namespace qmduck
