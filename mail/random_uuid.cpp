#include "mail/random_uuid.h"

#include <uuid/uuid.h>

namespace calvendra {

std::string RandomUuidText() {
    uuid_t id;
    uuid_generate(id);
    char text[37];
    uuid_unparse_lower(id, text);
    return text;
}

}  // namespace calvendra
