#pragma once
// One process of our host program running the serve job natively: its instances publish a
// steady key until the test closes the child's standard input.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

namespace qmhost {

class ChildHost {
public:
    ChildHost(const std::string& hostPath, const std::string& modulePath, int count, float level) {
        int input[2];
        int output[2];
        if (pipe(input) != 0) return;
        if (pipe(output) != 0) {
            close(input[0]);
            close(input[1]);
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, input[1]);
        posix_spawn_file_actions_addclose(&actions, output[0]);
        const std::string countText = std::to_string(count);
        const std::string levelText = std::to_string(level);
        std::vector<char*> arguments{const_cast<char*>(hostPath.c_str()), const_cast<char*>("serve"),
                                     const_cast<char*>(modulePath.c_str()), const_cast<char*>(countText.c_str()),
                                     const_cast<char*>(levelText.c_str()), const_cast<char*>("-"), nullptr};
        started = posix_spawn(&pid, hostPath.c_str(), &actions, nullptr, arguments.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        close(input[0]);
        close(output[1]);
        stopFd = input[1];
        readFd = output[0];
    }
    ~ChildHost() {
        if (started) kill(pid, SIGKILL);
        finish();
        if (readFd >= 0) close(readFd);
    }
    ChildHost(const ChildHost&) = delete;
    ChildHost& operator=(const ChildHost&) = delete;

    bool isStarted() const { return started; }
    // The parameter 0 values of the child's instances, as it reported them.
    std::vector<float> slots() {
        std::string line;
        char c = 0;
        while (read(readFd, &c, 1) == 1 && c != '\n') line += c;
        std::istringstream words(line);
        std::string word;
        words >> word;
        std::vector<float> values;
        for (float value = 0.0f; words >> value;) values.push_back(value);
        return values;
    }
    // Closes the child's standard input, which asks it to close its instances and end; its exit code.
    int stop() { return finish(); }

private:
    int finish() {
        if (stopFd >= 0) close(stopFd);
        stopFd = -1;
        if (!started) return -1;
        started = false;
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t pid = -1;
    int stopFd = -1;
    int readFd = -1;
    bool started = false;
};

}  // namespace qmhost
