#pragma once
// How a session is replayed: the environment and program a failure's one-line command needs.

#include <string>

namespace qmhost::validate {

// What goes before our host program on the replay command: the private runtime directory of the
// key bus natively, the Wine prefix and `wine` under Wine.
std::string replayPrefix();
// Our host program's path as the replay command gives it: as it was run, or under Wine the Unix
// path of a program on Wine's Z: drive.
std::string replayProgram(const std::string& program);

}  // namespace qmhost::validate
