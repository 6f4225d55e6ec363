// Feeds libFuzzer's inputs to the vCard import as a file's text, then plans their import into an
// empty database: whatever the text, the import must end with contacts or a clear error.

#include <cstddef>
#include <cstdint>
#include <string>

#include "exchange/import_plan.h"
#include "exchange/input_text.h"
#include "exchange/vcard_reading.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace calvendra::exchange;
    std::string text(reinterpret_cast<const char*>(data), size);
    if (CheckText("fuzz.vcf", text)) {
        return 0;
    }
    const FileContents contents = ReadVCardText("fuzz.vcf", text);
    if (contents.errors.empty()) {
        PlanImport(contents, StoredData{}, false);
    }
    return 0;
}
