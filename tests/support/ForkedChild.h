#pragma once
// A child process for tests of what processes share: runs a function in a fork, which can report
// lines to the parent and wait until the parent tells it to stop.

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <functional>
#include <string>

namespace qm::test {

class ForkedChild {
public:
    // What the child's function gets: report a line, and ask whether the parent said stop.
    struct Link {
        int reportFd;
        int commandFd;
        void report(const std::string& line) const {
            const std::string text = line + "\n";
            ssize_t written = ::write(reportFd, text.data(), text.size());
            (void)written;
        }
        bool stopRequested() const {
            char byte = 0;
            return ::read(commandFd, &byte, 1) == 1;
        }
    };

    explicit ForkedChild(const std::function<int(const Link&)>& body) {
        int report[2];
        int command[2];
        if (::pipe(report) != 0 || ::pipe(command) != 0) return;
        pid = ::fork();
        if (pid == 0) {
            ::close(report[0]);
            ::close(command[1]);
            ::fcntl(command[0], F_SETFL, O_NONBLOCK);
            _exit(body(Link{report[1], command[0]}));
        }
        ::close(report[1]);
        ::close(command[0]);
        reportFd = report[0];
        commandFd = command[1];
    }
    ~ForkedChild() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            reap();
        }
        if (reportFd >= 0) ::close(reportFd);
        if (commandFd >= 0) ::close(commandFd);
    }
    ForkedChild(const ForkedChild&) = delete;
    ForkedChild& operator=(const ForkedChild&) = delete;

    // The next line the child reported; empty when it ended without one.
    std::string readLine() const {
        std::string line;
        char c = 0;
        while (::read(reportFd, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }
    // Tells the child to stop and returns its exit status.
    int stop() {
        const char byte = 's';
        ssize_t written = ::write(commandFd, &byte, 1);
        (void)written;
        return reap();
    }
    // Kills the child at once, as a crash would end it.
    void kill() {
        ::kill(pid, SIGKILL);
        reap();
    }
    pid_t id() const { return pid; }

private:
    int reap() {
        int status = 0;
        if (pid > 0) ::waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t pid = -1;
    int reportFd = -1;
    int commandFd = -1;
};

}  // namespace qm::test
