#include "cli/BatchRun.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "cli/DuckJob.h"
#include "cli/JobList.h"

namespace qmduck {
namespace {

// Files done of the total and the time left, on one line redrawn in place.
class ListProgress {
public:
    ListProgress(std::FILE* stream, bool enabled, std::size_t total)
        : stream(stream), enabled(enabled), total(total), started(std::chrono::steady_clock::now()) {}

    void draw(std::size_t done) {
        if (!enabled) return;
        constexpr int kWidth = 30;
        const int filled = total > 0 ? static_cast<int>(kWidth * done / total) : kWidth;
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::fprintf(stream, "\r[%.*s%.*s] %zu/%zu files", filled, "##############################", kWidth - filled,
                     "------------------------------", done, total);
        if (done > 0 && done < total) {
            const auto left = static_cast<long>(elapsed / static_cast<double>(done) * static_cast<double>(total - done));
            std::fprintf(stream, ", %ld:%02ld left ", left / 60, left % 60);
        } else {
            std::fputs("            ", stream);
        }
        if (done == total) std::fputc('\n', stream);
        std::fflush(stream);
    }

    void clear() {
        if (enabled) std::fputs("\r\033[K", stream);
    }

private:
    std::FILE* stream;
    bool enabled;
    std::size_t total;
    std::chrono::steady_clock::time_point started;
};

}  // namespace

int runBatch(const DuckOptions& options, bool showProgress, std::FILE* messages) {
    const std::string& listPath = options.batchPath;
    const JobList list = readJobList(listPath);
    if (!list.error.empty()) {
        std::fprintf(messages, "quellmar-duck: %s\n", list.error.c_str());
        return 1;
    }
    if (const std::string overwrite = findOverwrites(listPath, list.jobs); !overwrite.empty()) {
        std::fprintf(messages, "quellmar-duck: %s; nothing was run\n", overwrite.c_str());
        return 1;
    }
    const std::vector<ListedJob> jobs = shardOf(list.jobs, options.shardIndex, options.shardCount);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t workers =
        std::min<std::size_t>(options.jobs > 0 ? static_cast<std::size_t>(options.jobs) : cores, std::max<std::size_t>(jobs.size(), 1));

    std::mutex lock;
    ListProgress progress(messages, showProgress, jobs.size());
    std::atomic<std::size_t> next{0};
    std::size_t done = 0;
    int worst = 0;
    const auto work = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            const ListedJob& job = jobs[i];
            JobResult result{1, job.problem, {}};
            if (job.problem.empty()) {
                DuckOptions line = options;
                line.inputPath = job.inputPath;
                line.outputPath = job.outputPath;
                line.keyPaths = job.keyPaths;
                result = runDuckJob(line, false);
            }
            const std::lock_guard<std::mutex> guard(lock);
            ++done;
            if (result.exitStatus != 0) {
                progress.clear();
                std::fprintf(messages, "quellmar-duck: %s:%d: %s\n", listPath.c_str(), job.lineNumber,
                             result.message.c_str());
                worst = std::max(worst, result.exitStatus);
            } else if (!result.note.empty() && !options.quiet) {
                progress.clear();
                std::fprintf(messages, "quellmar-duck: %s:%d: %s: %s\n", listPath.c_str(), job.lineNumber,
                             job.outputPath.c_str(), result.note.c_str());
            }
            progress.draw(done);
        }
    };
    progress.draw(0);
    std::vector<std::thread> threads;
    for (std::size_t t = 1; t < workers; ++t) threads.emplace_back(work);
    work();
    for (std::thread& thread : threads) thread.join();
    return worst;
}

}  // namespace qmduck
