#pragma once
// A file written under a temporary name in its destination's folder and renamed to the
// destination only when complete: a failed or interrupted run leaves no partial file behind.

#include <string>

namespace qmduck {

class PendingFile {
public:
    // Creates the temporary file beside `destination`; check `isOpen`, `error` says why not.
    explicit PendingFile(std::string destination);
    // Removes the temporary file unless it was committed.
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool isOpen() const { return descriptor >= 0; }
    const std::string& error() const { return failure; }
    // The open descriptor of the temporary file; whoever takes it closes it.
    int takeDescriptor();
    const std::string& temporaryPath() const { return temporary; }
    const std::string& destinationPath() const { return destination; }

    // Renames the temporary file to the destination; false (with `error`) when that fails.
    bool commit();

    // From now on SIGINT, SIGTERM and SIGHUP remove every uncommitted temporary file, then end
    // the process as the signal would.
    static void removeOnSignals();

private:
    std::string destination;
    std::string temporary;
    std::string failure;
    int descriptor = -1;
    int registration = -1;
    bool committed = false;
};

}  // namespace qmduck
