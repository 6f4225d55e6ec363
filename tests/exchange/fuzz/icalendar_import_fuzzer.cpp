// Feeds libFuzzer's inputs to the iCalendar import as a file's text, then plans their import into
// an empty database: whatever the text, the import must end with schedules or a clear error.

#include <cstddef>
#include <cstdint>
#include <string>

#include "exchange/icalendar_reading.h"
#include "exchange/import_plan.h"
#include "exchange/input_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace calvendra::exchange;
    // 2024-05-01 12:00:00 UTC: the next occurrence of a repeat is sought from a fixed moment.
    constexpr std::time_t kNow = 1714564800;
    std::string text(reinterpret_cast<const char*>(data), size);
    if (CheckText("fuzz.ics", text)) {
        return 0;
    }
    const FileContents contents = ReadICalendarText("fuzz.ics", text, kNow);
    if (contents.errors.empty()) {
        PlanImport(contents, StoredData{}, false);
    }
    return 0;
}
