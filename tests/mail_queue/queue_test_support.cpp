#include "tests/mail_queue/queue_test_support.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace calvendra::testing {

std::string ParsedSubjectAndTo(const std::string& stored) {
    // The sink keeps the envelope before the message; the parser gets the message alone.
    const std::size_t start = stored.find("\r\n\r\n");
    char path[] = "/tmp/calvendra-message.XXXXXX";
    const int descriptor = mkstemp(path);
    if (descriptor < 0) {
        return "<no temporary file>";
    }
    close(descriptor);
    std::ofstream(path, std::ios::binary)
        << (start == std::string::npos ? stored : stored.substr(start + 4));
    std::string output;
    RunCommand(std::string("python3 -c 'import email, email.policy, sys\n"
                           "m = email.message_from_binary_file(open(sys.argv[1], \"rb\"), "
                           "policy=email.policy.default)\n"
                           "print(str(m[\"Subject\"]) + \"|\" + \",\".join(a.addr_spec for a in "
                           "m[\"To\"].addresses), end=\"\")' ") +
                   path,
               &output);
    std::remove(path);
    return output;
}

}  // namespace calvendra::testing
