#pragma once
// Runs the built quellmar-duck as a user would, through the shell, and what ffmpeg measures of
// its results.

#include <sys/wait.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace qmduck::test {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string slurp(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Runs `command` (shell words; "TOOL" stands for the built program) in `folder`, standard error
// not a terminal; standard output and error are kept outside the folder.
inline ToolRun runShell(const std::string& folder, std::string command) {
    for (std::size_t at; (at = command.find("TOOL")) != std::string::npos;) command.replace(at, 4, "'" QM_DUCK_PATH "'");
    const std::string outPath = folder + ".stdout";
    const std::string errPath = folder + ".stderr";
    const std::string line = "cd '" + folder + "' && ( " + command + " ) >'" + outPath + "' 2>'" + errPath + "'";
    const int raw = std::system(line.c_str());
    ToolRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = slurp(outPath);
    run.err = slurp(errPath);
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return run;
}

// Runs the tool with `arguments`.
inline ToolRun runTool(const std::string& folder, const std::string& arguments) {
    return runShell(folder, "TOOL " + arguments);
}

// What ffmpeg's ebur128 filter measures of a file: integrated loudness (LUFS) and true peak (dBTP).
struct Measured {
    double lufs = 0.0;
    double truePeakDb = 0.0;
};

inline Measured measureWithFfmpeg(const std::string& path) {
    const std::string command = "ffmpeg -nostdin -hide_banner -i '" + path + "' -af ebur128=peak=true -f null - 2>&1";
    Measured measured{-999.0, 999.0};
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return measured;
    char line[512];
    std::string all;
    while (std::fgets(line, sizeof line, pipe) != nullptr) all += line;
    pclose(pipe);
    const auto summary = all.rfind("Summary:");
    if (summary == std::string::npos) return measured;
    std::sscanf(all.c_str() + all.find("I:", summary), "I: %lf", &measured.lufs);
    std::sscanf(all.c_str() + all.find("Peak:", summary), "Peak: %lf", &measured.truePeakDb);
    return measured;
}

// One field of ffprobe's answer for the first audio stream (e.g. "sample_rate") or the format
// (e.g. "format=duration", "format_tags=title").
inline std::string probe(const std::string& path, const std::string& entry) {
    const bool formatLevel = entry.rfind("format", 0) == 0;
    const std::string command = "ffprobe -v error " + std::string(formatLevel ? "" : "-select_streams a:0 ") +
                                "-show_entries " + (formatLevel ? entry : "stream=" + entry) +
                                " -of default=nw=1:nk=1 '" + path + "' 2>/dev/null";
    std::string answer;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return answer;
    char line[512];
    if (std::fgets(line, sizeof line, pipe) != nullptr) answer = line;
    pclose(pipe);
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
    return answer;
}

// The output of a shell command, whole.
inline std::string commandOutput(const std::string& command) {
    std::string all;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return all;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) all += line;
    pclose(pipe);
    return all;
}

// How long ffmpeg decodes a file to be, in seconds at `rateHz`.
inline double decodedSeconds(const std::string& path, int rateHz) {
    const std::string bytes = commandOutput("ffmpeg -nostdin -v error -i '" + path + "' -f f32le -ac 1 - | wc -c");
    return std::stod(bytes.empty() ? "0" : bytes) / 4.0 / rateHz;
}

// Every tag of the file and its audio stream as ffprobe lists them, in lower case.
inline std::string probeTags(const std::string& path) {
    std::string tags = commandOutput("ffprobe -v error -show_entries format_tags:stream_tags -of compact '" + path + "'");
    for (char& c : tags) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tags;
}

}  // namespace qmduck::test
