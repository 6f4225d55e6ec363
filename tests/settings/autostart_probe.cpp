// A program that the autostart tests copy to folders of odd names. Run with "register", it writes
// the autostart entry for its own program file, as the start-up option does for the organizer.
// Started by the desktop from that entry (no argument), it writes the path it runs from into the
// file that CALVENDRA_PROBE_RAN names.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/running_program.h"
#include "settings/autostart_entry.h"

int main(int argc, char** argv) {
    std::string program;
    std::string error;
    if (!calvendra::RunningProgramPath(program, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    if (argc > 1 && std::strcmp(argv[1], "register") == 0) {
        if (!calvendra::WriteAutostartEntry(program, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    const char* ran = std::getenv("CALVENDRA_PROBE_RAN");
    if (ran == nullptr) {
        return 2;
    }
    // Written under another name and renamed, so that the test never reads half of it.
    const std::string partial = std::string(ran) + ".partial";
    FILE* file = std::fopen(partial.c_str(), "w");
    if (file == nullptr) {
        return 3;
    }
    std::fputs(program.c_str(), file);
    std::fclose(file);
    return std::rename(partial.c_str(), ran) == 0 ? 0 : 4;
}
