// quellmar_host render MODULE KEY.f32 MUSIC.f32 OUT.f32 [EDITOR.bmp]
// quellmar_host bench MODULE [MODULE...]
// quellmar_host editor-bench MODULE                   (Windows)
// quellmar_host serve MODULE COUNT LEVEL STOP-EVENT   (Windows: a named event; elsewhere: any name,
//                                                   the job stops when standard input ends)
// quellmar_host validate MODULE [--seed N] [--sessions N] [--calls N] [--threads] [--no-editor]
//                                [--hang-seconds S]

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/host/Jobs.h"

int main(int argc, char** argv) {
    const std::string job = argc > 1 ? argv[1] : "";
    if (job == "render" && (argc == 6 || argc == 7)) {
        return qmhost::renderJob(argv[2], argv[3], argv[4], argv[5], argc == 7 ? argv[6] : "");
    }
    if (job == "bench" && argc >= 3) return qmhost::benchJob(std::vector<std::string>(argv + 2, argv + argc));
#ifdef _WIN32
    if (job == "editor-bench" && argc == 3) return qmhost::editorBenchJob(argv[2]);
#endif
    if (job == "validate" && argc >= 3) {
        return qmhost::validateJob(argv[0], std::vector<std::string>(argv + 2, argv + argc));
    }
    if (job == "serve" && argc == 6) {
        return qmhost::serveJob(argv[2], std::atoi(argv[3]), static_cast<float>(std::atof(argv[4])), argv[5]);
    }
    std::fprintf(stderr, "usage: quellmar_host render MODULE KEY.f32 MUSIC.f32 OUT.f32 [EDITOR.bmp]\n"
                         "       quellmar_host bench MODULE [MODULE...]\n"
                         "       quellmar_host editor-bench MODULE   (Windows)\n"
                         "       quellmar_host serve MODULE COUNT LEVEL STOP-EVENT\n"
                         "       quellmar_host validate MODULE [--seed N] [--sessions N] [--calls N] [--threads]\n"
                         "                              [--no-editor] [--hang-seconds S]\n");
    return 2;
}
