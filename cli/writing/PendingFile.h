#pragma once
// A result written where it has no name until it is complete: an unnamed file in its
// destination's folder (O_TMPFILE) that is linked into place at the end, or, where the file system
// cannot make one, a hidden temporary name in that folder renamed at the end. A failed, killed or
// interrupted run leaves no partial file behind, and an existing destination stays intact until
// the new file replaces it whole. The destination "-" is standard output: the file is then made
// unnamed in the temporary folder and copied out when complete.

#include <string>

namespace qmduck {

class PendingFile {
public:
    // Creates the file for `destination`; check `isOpen`, `error` says why not.
    explicit PendingFile(std::string destination);
    // Removes the file unless it was committed.
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool isOpen() const { return descriptor >= 0; }
    const std::string& error() const { return failure; }
    // A new descriptor of the file, at its start; whoever takes it closes it. -1 on failure.
    int takeDescriptor();
    // The file's hidden name, or empty while it has none (unnamed).
    const std::string& temporaryPath() const { return temporary; }
    const std::string& destinationPath() const { return destination; }

    // Puts the complete file in place (or copies it to standard output); false (with `error`)
    // when that fails.
    bool commit();

    // From now on SIGINT, SIGTERM and SIGHUP remove every uncommitted temporary name, then end
    // the process as the signal would; a file-size limit (SIGXFSZ) and a closed pipe (SIGPIPE)
    // become write errors.
    static void removeOnSignals();

private:
    bool openUnnamed(const std::string& folder);
    bool openNamed(const std::string& folder, const std::string& name);
    bool copyToStandardOutput();

    std::string destination;
    std::string temporary;
    std::string failure;
    int descriptor = -1;
    int registration = -1;
    bool unnamed = false;
    bool committed = false;
};

}  // namespace qmduck
