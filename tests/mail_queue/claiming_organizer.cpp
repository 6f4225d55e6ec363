// An organizer that claims the first mail the queue holds, as the mail worker does, and then
// hangs before it opens a session, until it is killed: the tests kill it to play an organizer
// that died holding a claim.
//   claiming_organizer <organizer name> <the clock, seconds since 1970>
// Prints "claimed" once it holds a claim, "nothing" and ends with 1 when there was none.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "mail_queue/queued_mail_source.h"

int main(int argc, char** argv) {
    using namespace calvendra;
    if (argc != 3) {
        std::fprintf(stderr, "usage: claiming_organizer NAME CLOCK\n");
        return 2;
    }
    const std::time_t now = std::atol(argv[2]);
    QueuedMailSource::Options options;
    options.organizer = argv[1];
    QueuedMailSource source(
        [] { return std::make_unique<CDBConnection>("Calvendra", "opal", "kelp"); },
        [] { return EmailSettings(); }, [now] { return now; }, options);
    std::chrono::milliseconds askAgainIn(0);
    if (!source.Take(askAgainIn)) {
        std::printf("nothing\n");
        return 1;
    }
    std::printf("claimed\n");
    std::fflush(stdout);
    for (;;) {
        pause();
    }
}
