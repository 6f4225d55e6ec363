#include "setup/attribute_list.h"

#include <cstring>

namespace calvendra {

std::string ToInstallerAttributes(const AttributePairs& pairs) {
    std::string list;
    for (const auto& [keyword, value] : pairs) {
        list += keyword;
        list += '=';
        list += value;
        list += '\0';
    }
    list += '\0';
    return list;
}

AttributePairs FromInstallerAttributes(const char* attributes) {
    AttributePairs pairs;
    if (attributes == nullptr) {
        return pairs;
    }
    for (const char* pair = attributes; *pair != '\0'; pair += std::strlen(pair) + 1) {
        const char* equals = std::strchr(pair, '=');
        if (equals == nullptr) {
            pairs.emplace_back(pair, std::string());
        } else {
            pairs.emplace_back(std::string(pair, equals), std::string(equals + 1));
        }
    }
    return pairs;
}

}  // namespace calvendra
