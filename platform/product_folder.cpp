#include "platform/product_folder.h"

#include <cstdlib>

namespace calvendra {

std::string SystemDirectory() {
    const char* configured = std::getenv("CALVENDRA_SYSTEM_DIR");
    if (configured != nullptr && *configured != '\0') {
        return configured;
    }
    return kDefaultSystemDirectory;
}

std::string ProductFolder() {
    std::string folder = SystemDirectory();
    while (!folder.empty() && folder.back() == '/') {
        folder.pop_back();
    }
    return folder + "/Calvendra/";
}

std::string DatabaseFilePath() {
    return ProductFolder() + "Calvendra.db";
}

std::string SkinFilePath() {
    return ProductFolder() + "main.urf";
}

}  // namespace calvendra
