#include "cli/BatchRun.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "cli/DuckJob.h"
#include "cli/JobList.h"
#include "cli/reading/SoundReader.h"

namespace qmduck {
namespace {

// The list's frames done of its total (every job's INPUT, each counted as its passes go), the
// files done and the time left, on one line redrawn in place whenever the share done gains a
// percent or a file ends. Where no length is known, the files done stand for the share.
class ListProgress {
public:
    ListProgress(std::FILE* stream, bool enabled, std::size_t files, std::int64_t frames)
        : stream(stream), enabled(enabled), totalFiles(files), totalFrames(frames),
          started(std::chrono::steady_clock::now()) {}

    // Under the list's lock: `frames` more frames done, `files` more files done.
    void add(std::int64_t frames, std::size_t files) {
        framesDone += frames;
        filesDone += files;
        const int percent = static_cast<int>(100.0 * share());
        if (files == 0 && percent == drawnPercent) return;
        drawnPercent = percent;
        draw();
    }

    double share() const {
        if (totalFrames > 0) return std::min(1.0, static_cast<double>(framesDone) / static_cast<double>(totalFrames));
        return totalFiles > 0 ? static_cast<double>(filesDone) / static_cast<double>(totalFiles) : 1.0;
    }

    void draw() {
        if (!enabled) return;
        constexpr int kWidth = 30;
        const double share = this->share();
        const int filled = static_cast<int>(kWidth * share);
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::fprintf(stream, "\r[%.*s%.*s] %3d%%  %zu/%zu files", filled, "##############################", kWidth - filled,
                     "------------------------------", static_cast<int>(share * 100.0), filesDone, totalFiles);
        if (share > 0.0 && filesDone < totalFiles) {
            const auto left = static_cast<long>(elapsed / share * (1.0 - share) + 0.5);
            std::fprintf(stream, ", %ld:%02ld left\033[K", left / 60, left % 60);
        } else {
            std::fputs("\033[K", stream);
        }
        if (filesDone == totalFiles) std::fputc('\n', stream);
        std::fflush(stream);
    }

    void clear() {
        if (enabled) std::fputs("\r\033[K", stream);
    }

private:
    std::FILE* stream;
    bool enabled;
    std::size_t totalFiles;
    std::int64_t totalFrames;
    std::size_t filesDone = 0;
    std::int64_t framesDone = 0;
    std::chrono::steady_clock::time_point started;
    int drawnPercent = 0;
};

// The frames a job's INPUT announces; 0 when unknown or unreadable.
std::int64_t expectedFramesOf(const ListedJob& job) {
    if (!job.problem.empty() || job.inputPath == kStandardStream) return 0;
    const SoundReader input(job.inputPath);
    return input.isOpen() ? std::max<std::int64_t>(input.expectedFrames(), 0) : 0;
}

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
    std::vector<std::int64_t> jobFrames;
    std::int64_t listFrames = 0;
    for (const ListedJob& job : jobs) listFrames += jobFrames.emplace_back(showProgress ? expectedFramesOf(job) : 0);
    ListProgress progress(messages, showProgress, jobs.size(), listFrames);
    std::atomic<std::size_t> next{0};
    int worst = 0;
    const auto work = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            const ListedJob& job = jobs[i];
            JobResult result{1, job.problem, {}};
            std::int64_t reported = 0;
            // A job's frames are counted as its passes go, up to what its INPUT announced.
            const auto report = [&](std::int64_t added) {
                const std::lock_guard<std::mutex> guard(lock);
                added = std::min(added, jobFrames[i] - reported);
                reported += added;
                progress.add(added, 0);
            };
            if (job.problem.empty()) {
                DuckOptions line = options;
                line.inputPath = job.inputPath;
                line.outputPath = job.outputPath;
                line.keyPaths = job.keyPaths;
                result = runDuckJob(line, false, report);
            }
            const std::lock_guard<std::mutex> guard(lock);
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
            progress.add(jobFrames[i] - reported, 1);
        }
    };
    progress.draw();
    std::vector<std::thread> threads;
    for (std::size_t t = 1; t < workers; ++t) threads.emplace_back(work);
    work();
    for (std::thread& thread : threads) thread.join();
    return worst;
}

}  // namespace qmduck
