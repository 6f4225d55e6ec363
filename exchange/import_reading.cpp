#include "exchange/import_reading.h"

#include "exchange/icalendar_reading.h"
#include "exchange/input_text.h"
#include "exchange/vcard_reading.h"

namespace calvendra::exchange {

FileContents ReadImportFile(const std::string& path, std::time_t now) {
    std::string text;
    const std::string why = ReadWholeFile(path, text);
    if (!why.empty()) {
        FileContents contents;
        contents.errors.push_back({{path, 0}, "cannot be read: " + why});
        return contents;
    }
    return ReadImportText(path, std::move(text), now);
}

FileContents ReadImportText(const std::string& file, std::string text, std::time_t now) {
    FileContents contents;
    if (std::optional<FileMessage> wrong = CheckText(file, text)) {
        contents.errors.push_back(std::move(*wrong));
        return contents;
    }
    FileMessage why;
    const std::optional<FileKind> kind = KindOfText(file, text, why);
    if (!kind) {
        contents.errors.push_back(std::move(why));
        return contents;
    }
    return *kind == FileKind::kVCard ? ReadVCardText(file, text)
                                     : ReadICalendarText(file, text, now);
}

}  // namespace calvendra::exchange
