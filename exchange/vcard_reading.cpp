#include "exchange/vcard_reading.h"

#include <glib.h>
#define __LIBEBOOK_CONTACTS_H_INSIDE__
#include <libebook-contacts/e-vcard.h>
#undef __LIBEBOOK_CONTACTS_H_INSIDE__

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>

#include "editors/contact_record.h"
#include "exchange/input_text.h"
#include "exchange/library_messages.h"

namespace calvendra::exchange {

namespace {

// A card's text may not grow beyond this; a photo of a few megabytes still fits.
constexpr std::size_t kMaxCardBytes = std::size_t{16} << 20;

std::string Lower(std::string text) {
    for (char& c : text) {
        c = g_ascii_tolower(c);
    }
    return text;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const std::string& part : parts) {
        if (part.empty()) {
            continue;
        }
        if (!text.empty()) {
            text += separator;
        }
        text += part;
    }
    return text;
}

// One property of a card as the library read it.
struct Property {
    std::string group;
    std::string name;                 // upper case
    std::vector<std::string> values;  // the components, unescaped and decoded
    std::vector<std::string> types;   // lower case, each its own ("voice,cell" is two)
    std::string label;                // what the card calls its group (X-ABLabel), if anything

    // The value of a property of one text: components that the library split at a bare ';' are
    // joined again.
    std::string Text() const {
        std::string text;
        for (std::size_t i = 0; i < values.size(); ++i) {
            text += (i > 0 ? ";" : "") + values[i];
        }
        return text;
    }
    std::string Component(std::size_t index) const {
        return index < values.size() ? values[index] : std::string();
    }
    bool HasType(const char* type) const {
        return std::find(types.begin(), types.end(), type) != types.end();
    }
};

std::vector<std::string> Strings(GList* list) {
    std::vector<std::string> strings;
    for (GList* item = list; item != nullptr; item = item->next) {
        strings.emplace_back(item->data != nullptr ? static_cast<const char*>(item->data) : "");
    }
    return strings;
}

// A value as the organizer keeps it: a line break is LF, whether the card wrote CR LF (a
// quoted-printable "=0D=0A") or LF. In a web address, a backslash before a colon, which some
// webmail writes though no version of the format knows it, is left out.
std::string Normalised(std::string value, bool webAddress) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r') {
            out += '\n';
            if (i + 1 < value.size() && value[i + 1] == '\n') {
                ++i;
            }
        } else if (webAddress && value[i] == '\\' && i + 1 < value.size() && value[i + 1] == ':') {
            out += ':';
            ++i;
        } else {
            out += value[i];
        }
    }
    return out;
}

std::vector<Property> PropertiesOf(EVCard* card) {
    std::vector<Property> properties;
    std::map<std::string, std::string> labels;
    for (GList* item = e_vcard_get_attributes(card); item != nullptr; item = item->next) {
        auto* attribute = static_cast<EVCardAttribute*>(item->data);
        Property property;
        const char* group = e_vcard_attribute_get_group(attribute);
        property.group = group != nullptr ? Lower(group) : std::string();
        const char* name = e_vcard_attribute_get_name(attribute);
        property.name = name != nullptr ? name : "";
        for (char& c : property.name) {
            c = g_ascii_toupper(c);
        }
        for (std::string& value : Strings(e_vcard_attribute_get_values(attribute))) {
            property.values.push_back(Normalised(std::move(value), property.name == "URL"));
        }
        for (const std::string& type : Strings(e_vcard_attribute_get_param(attribute, "TYPE"))) {
            gchar** pieces = g_strsplit(type.c_str(), ",", -1);
            for (gchar** piece = pieces; *piece != nullptr; ++piece) {
                const std::string one = Lower(Trimmed(*piece));
                if (!one.empty()) {
                    property.types.push_back(one);
                }
            }
            g_strfreev(pieces);
        }
        if (property.name == "X-ABLABEL" && !property.group.empty()) {
            // Apple's "_$!<Other>!$_" stands for "Other".
            std::string label = property.Text();
            if (label.rfind("_$!<", 0) == 0 && label.size() > 8 &&
                label.compare(label.size() - 4, 4, ">!$_") == 0) {
                label = label.substr(4, label.size() - 8);
            }
            labels[property.group] = label;
        }
        properties.push_back(std::move(property));
    }
    for (Property& property : properties) {
        if (auto label = labels.find(property.group); label != labels.end()) {
            property.label = label->second;
        }
    }
    return properties;
}

// Properties that say nothing about the person (the format's version, the writing program, the
// card's own id and revision, a label that another line of the card takes up).
bool SaysNothing(const Property& property) {
    static constexpr const char* kNames[] = {
        "VERSION", "PRODID", "REV",       "UID",     "CLIENTPIDMAP",        "PROFILE",
        "NAME",    "SOURCE", "X-ABLABEL", "X-ABUID", "X-EVOLUTION-FILE-AS", "BEGIN",
        "END"};
    for (const char* name : kNames) {
        if (property.name == name) {
            return true;
        }
    }
    return property.name == "KIND" && Lower(property.Text()) == "individual";
}

// What a property with no field of its own is called in its "Label: value" line.
std::string LabelOf(const std::string& name) {
    static const std::map<std::string, std::string> kLabels = {
        {"EMAIL", "E-mail"},
        {"TEL", "Phone"},
        {"ADR", "Address"},
        {"URL", "Web"},
        {"BDAY", "Birthday"},
        {"ANNIVERSARY", "Anniversary"},
        {"NICKNAME", "Nickname"},
        {"LABEL", "Address label"},
        {"TZ", "Time zone"},
        {"GEO", "Position"},
        {"IMPP", "Instant messaging"},
        {"LANG", "Language"},
        {"RELATED", "Related"},
        {"MEMBER", "Member"},
        {"ROLE", "Role"},
        {"TITLE", "Job title"},
        {"ORG", "Organization"},
        {"NOTE", "Note"},
        {"FBURL", "Free/busy address"},
        {"CALURI", "Calendar address"},
        {"CALADRURI", "Calendar request address"},
        {"AGENT", "Agent"},
        {"MAILER", "Mail program"},
        {"SORT-STRING", "Sort as"},
        {"GENDER", "Gender"},
        {"X-GENDER", "Gender"},
        {"KIND", "Kind"},
        {"XML", "XML"},
        {"PHOTO", "Photo"},
        {"LOGO", "Logo"},
        {"SOUND", "Sound"},
        {"KEY", "Key"},
    };
    const auto known = kLabels.find(name);
    return known != kLabels.end() ? known->second : name;
}

bool IsBinary(const std::string& name) {
    return name == "PHOTO" || name == "LOGO" || name == "SOUND" || name == "KEY";
}

// The types that tell which field a value goes to, or that say nothing.
bool IsPlainType(const std::string& type) {
    static constexpr const char* kPlain[] = {"home", "work", "voice", "internet", "pref", "x400"};
    for (const char* plain : kPlain) {
        if (type == plain) {
            return true;
        }
    }
    return false;
}

enum class Side { kHome, kWork, kEither };

Side SideOf(const Property& property) {
    if (property.HasType("home")) {
        return Side::kHome;
    }
    if (property.HasType("work")) {
        return Side::kWork;
    }
    return Side::kEither;
}

// Fills a contact's fields from the properties of its card.
class ContactFilling {
public:
    // Every field starts empty: a card without a web address gives an empty web field, not the
    // "http://" that the editor offers for typing one.
    ContactFilling() = default;

    void Take(const Property& property) {
        const std::string& name = property.name;
        if (SaysNothing(property)) {
            return;
        }
        if (IsBinary(name)) {
            AddLine(LabelOf(name), "present in the card, not imported");
            return;
        }
        if (name == "N") {
            family_ = property.Component(0);
            given_ = property.Component(1);
            additional_ = property.Component(2);
            prefix_ = property.Component(3);
            suffix_ = property.Component(4);
        } else if (name == "FN") {
            fullName_ = property.Text();
        } else if (name == "EMAIL") {
            Place(property, ContactField::kHomeEmail, ContactField::kBusinessEmail,
                  property.Text());
        } else if (name == "URL") {
            Place(property, ContactField::kHomeWeb, ContactField::kBusinessWeb, property.Text());
        } else if (name == "TEL") {
            TakePhone(property);
        } else if (name == "ADR") {
            TakeAddress(property);
        } else if (name == "TITLE") {
            Fill(ContactField::kBusinessJobTitle, property, property.Text());
        } else if (name == "ORG") {
            TakeOrganization(property);
        } else if (name == "NOTE") {
            notes_.push_back(property.Text());
        } else if (name == "CATEGORIES") {
            for (const std::string& value : property.values) {
                // Some writers separate categories with ';' inside one value.
                gchar** pieces = g_strsplit(value.c_str(), ";", -1);
                for (gchar** piece = pieces; *piece != nullptr; ++piece) {
                    const std::string category = Trimmed(*piece);
                    if (!category.empty()) {
                        categories_.push_back(category);
                    }
                }
                g_strfreev(pieces);
            }
        } else if (name == "GENDER" || name == "X-GENDER" || name == "X-WAB-GENDER") {
            TakeGender(property);
        } else {
            const std::string value = property.Text();
            if (!Trimmed(value).empty()) {
                AddLine(property, value);
            }
        }
    }

    ContactItem Finish() {
        ContactItem item;
        FinishNames();
        if (fields_[ContactField::kGender].empty()) {
            fields_[ContactField::kGender] = "Unspecified";
        }
        std::vector<std::string> others = notes_;
        others.insert(others.end(), lines_.begin(), lines_.end());
        fields_[ContactField::kOthers] = Joined(others, "\n");
        item.fields = fields_;
        item.categories = categories_;
        return item;
    }

private:
    // Puts a value into the home or the business field as the property's type says; a value
    // without either type goes to the home field when it is free, then to the business one. One
    // that finds its field taken becomes a line of the others text.
    void Place(const Property& property, std::size_t home, std::size_t business,
               const std::string& value) {
        if (Trimmed(value).empty()) {
            return;
        }
        const Side side = SideOf(property);
        if (side != Side::kWork && fields_[home].empty()) {
            fields_[home] = value;
        } else if (side != Side::kHome && fields_[business].empty()) {
            fields_[business] = value;
        } else {
            AddLine(property, value);
        }
    }

    void Fill(std::size_t field, const Property& property, const std::string& value) {
        if (Trimmed(value).empty()) {
            return;
        }
        if (fields_[field].empty()) {
            fields_[field] = value;
        } else {
            AddLine(property, value);
        }
    }

    void TakePhone(const Property& property) {
        std::string number = property.Text();
        if (g_ascii_strncasecmp(number.c_str(), "tel:", 4) == 0) {
            number = number.substr(4);
        }
        if (Trimmed(number).empty()) {
            return;
        }
        if (property.HasType("cell") || property.HasType("mobile")) {
            if (SideOf(property) != Side::kWork) {
                Fill(ContactField::kHomeMobile, property, number);
            } else {
                AddLine(property, number);
            }
            return;
        }
        if (property.HasType("fax")) {
            Place(property, ContactField::kHomeFax, ContactField::kBusinessFax, number);
            return;
        }
        for (const char* other : {"pager", "car", "isdn", "video", "bbs", "modem", "textphone",
                                  "text", "msg", "main"}) {
            if (property.HasType(other)) {
                AddLine(property, number);
                return;
            }
        }
        Place(property, ContactField::kHomePhone, ContactField::kBusinessPhone, number);
    }

    void TakeAddress(const Property& property) {
        // Post office box, extended address, street, city, region, postal code, country.
        std::string street =
            Joined({property.Component(2), property.Component(1), property.Component(0)}, "\n");
        const std::array<std::string, 5> parts = {street, property.Component(3),
                                                  property.Component(4), property.Component(5),
                                                  property.Component(6)};
        if (Trimmed(Joined({parts.begin(), parts.end()}, "")).empty()) {
            return;
        }
        static constexpr std::size_t kHome[] = {ContactField::kHomeStreet, ContactField::kHomeCity,
                                                ContactField::kHomeState, ContactField::kHomeZip,
                                                ContactField::kHomeCountry};
        static constexpr std::size_t kBusiness[] = {
            ContactField::kBusinessStreet, ContactField::kBusinessCity,
            ContactField::kBusinessState, ContactField::kBusinessZip,
            ContactField::kBusinessCountry};
        auto isFree = [this](const std::size_t(&block)[5]) {
            return std::all_of(std::begin(block), std::end(block),
                               [this](std::size_t field) { return fields_[field].empty(); });
        };
        const Side side = SideOf(property);
        const std::size_t* target = nullptr;
        if (side != Side::kWork && isFree(kHome)) {
            target = kHome;
        } else if (side != Side::kHome && isFree(kBusiness)) {
            target = kBusiness;
        }
        if (target == nullptr) {
            AddLine(property, Joined({parts.begin(), parts.end()}, ", "));
            return;
        }
        for (std::size_t i = 0; i < parts.size(); ++i) {
            fields_[target[i]] = parts[i];
        }
    }

    void TakeOrganization(const Property& property) {
        const std::string organization = Trimmed(property.Component(0));
        if (!organization.empty()) {
            organization_ = organization;
            AddLine("Organization", organization);
        }
        if (property.values.size() > 1) {
            Fill(ContactField::kBusinessDepartment, property, Trimmed(property.Component(1)));
        }
        if (property.values.size() > 2) {
            Fill(ContactField::kBusinessOffice, property, Trimmed(property.Component(2)));
        }
        for (std::size_t unit = 3; unit < property.values.size(); ++unit) {
            const std::string value = Trimmed(property.values[unit]);
            if (!value.empty()) {
                AddLine("Organization unit", value);
            }
        }
    }

    void TakeGender(const Property& property) {
        const std::string sex = Lower(Trimmed(property.Component(0)));
        const std::string identity = Trimmed(property.Component(1));
        std::string gender;
        if (sex == "m" || sex == "male" || (property.name == "X-WAB-GENDER" && sex == "2")) {
            gender = "Male";
        } else if (sex == "f" || sex == "female" ||
                   (property.name == "X-WAB-GENDER" && sex == "1")) {
            gender = "Female";
        }
        if (!gender.empty() && fields_[ContactField::kGender].empty()) {
            fields_[ContactField::kGender] = gender;
        }
        // Other, none, or words of the person's own have no place in the three choices.
        if ((gender.empty() && !sex.empty() && sex != "u" && sex != "unspecified") ||
            !identity.empty()) {
            AddLine(property, property.Text());
        }
    }

    void FinishNames() {
        std::string first = Joined({given_, additional_}, " ");
        std::string last = family_;
        const std::string fullName = Trimmed(fullName_);
        if (first.empty() && last.empty() && !fullName.empty()) {
            const auto blank = fullName.find_last_of(' ');
            if (blank == std::string::npos) {
                first = fullName;
            } else {
                first = Trimmed(fullName.substr(0, blank));
                last = fullName.substr(blank + 1);
            }
        } else if (!fullName_.empty() && fullName_ != Joined({first, last}, " ") &&
                   fullName_ != Joined({prefix_, given_, additional_, family_, suffix_}, " ") &&
                   fullName_ != Joined({family_, given_}, " ")) {
            lines_.insert(lines_.begin(), "Full name: " + fullName_);
        }
        if (first.empty() && last.empty()) {
            first = !organization_.empty() ? organization_
                    : !fields_[ContactField::kHomeEmail].empty()
                        ? fields_[ContactField::kHomeEmail]
                        : fields_[ContactField::kBusinessEmail];
        }
        if (!prefix_.empty()) {
            lines_.insert(lines_.begin(), "Name prefix: " + prefix_);
        }
        if (!suffix_.empty()) {
            lines_.push_back("Name suffix: " + suffix_);
        }
        fields_[ContactField::kFirstName] = first;
        fields_[ContactField::kLastName] = last;
    }

    void AddLine(const Property& property, const std::string& value) {
        std::vector<std::string> kinds;
        if (!property.label.empty()) {
            kinds.push_back(property.label);
        }
        for (const std::string& type : property.types) {
            if (!IsPlainType(type) || type == "home" || type == "work") {
                kinds.push_back(type);
            }
        }
        std::string label = LabelOf(property.name);
        if (!kinds.empty()) {
            label += " (" + Joined(kinds, ", ") + ")";
        }
        AddLine(label, value);
    }

    void AddLine(const std::string& label, const std::string& value) {
        lines_.push_back(label + ": " + value);
    }

    statements::ContactFields fields_;
    std::string family_, given_, additional_, prefix_, suffix_, fullName_, organization_;
    std::vector<std::string> notes_;
    std::vector<std::string> lines_;
    std::vector<std::string> categories_;
};

// Cuts the text into cards and hands each to the library.
class CardReader {
public:
    CardReader(const std::string& file, FileContents& contents)
        : file_(file), contents_(contents) {}

    void Read(std::string_view text) {
        PhysicalLines lines(text);
        std::string_view line;
        while (lines.Next(line) && contents_.errors.empty()) {
            TakeLine(line, lines.Number());
        }
        if (contents_.errors.empty() && inCard_) {
            Error(cardLine_,
                  "the card that begins here has no END:VCARD: the file ends inside "
                  "it (is it cut short?)");
        }
    }

private:
    void TakeLine(std::string_view line, long number) {
        if (!inCard_) {
            if (line.find_first_not_of(" \t") == std::string_view::npos) {
                return;
            }
            if (!IsLine(line, "BEGIN", "VCARD")) {
                Error(number, "text outside a card, where BEGIN:VCARD should stand");
                return;
            }
            inCard_ = true;
            cardLine_ = number;
            card_.assign("BEGIN:VCARD\r\n");
            softBreak_ = false;
            return;
        }
        if (softBreak_) {
            // The line goes on from the soft break of a quoted-printable value.
            AppendToCard(line, number);
            return;
        }
        if (IsLine(line, "BEGIN", "VCARD")) {
            if (++nested_ >= kMaxNesting) {
                Error(number, "cards are nested more than " + std::to_string(kMaxNesting) +
                                  " deep inside one another");
                return;
            }
            if (nested_ == 1) {
                contents_.notes.push_back(
                    {{file_, number}, "a card inside another card (an agent's) is not imported"});
            }
            return;
        }
        if (IsLine(line, "END", "VCARD")) {
            if (nested_ > 0) {
                --nested_;
                return;
            }
            card_.append("END:VCARD\r\n");
            FinishCard();
            inCard_ = false;
            return;
        }
        if (nested_ > 0) {
            return;
        }
        if (!IsFoldedContinuation(line)) {
            const std::string_view head = line.substr(0, line.find(':'));
            quotedPrintable_ = ContainsIgnoringCase(head, "QUOTED-PRINTABLE");
        }
        AppendToCard(line, number);
    }

    // Soft line breaks of quoted-printable values are joined here: the library keeps the '=' and
    // the line end of one that follows a plain character.
    void AppendToCard(std::string_view line, long number) {
        softBreak_ = quotedPrintable_ && !line.empty() && line.back() == '=';
        if (softBreak_) {
            line.remove_suffix(1);
        }
        if (card_.size() + line.size() > kMaxCardBytes) {
            Error(number,
                  "the card is larger than " + std::to_string(kMaxCardBytes >> 20) + " MiB");
            return;
        }
        card_.append(line);
        if (!softBreak_) {
            card_.append("\r\n");
        }
    }

    static bool ContainsIgnoringCase(std::string_view text, std::string_view what) {
        if (what.size() > text.size()) {
            return false;
        }
        for (std::size_t at = 0; at + what.size() <= text.size(); ++at) {
            if (g_ascii_strncasecmp(text.data() + at, what.data(), what.size()) == 0) {
                return true;
            }
        }
        return false;
    }

    void FinishCard() {
        LibraryMessages messages;
        std::unique_ptr<EVCard, void (*)(gpointer)> card(e_vcard_new_from_string(card_.c_str()),
                                                         &g_object_unref);
        std::vector<Property> properties = PropertiesOf(card.get());
        for (const std::string& message : messages.Taken()) {
            contents_.notes.push_back(
                {{file_, cardLine_}, "part of the card could not be read: " + message});
        }
        ContactFilling filling;
        for (const Property& property : properties) {
            for (const std::string& value : property.values) {
                if (!g_utf8_validate(value.data(), static_cast<gssize>(value.size()), nullptr)) {
                    Error(cardLine_, "the card's " + property.name +
                                         " is not valid text once decoded (is its CHARSET "
                                         "right?)");
                    return;
                }
            }
            filling.Take(property);
        }
        ContactItem item = filling.Finish();
        item.place = {file_, cardLine_};
        contents_.contacts.push_back(std::move(item));
    }

    void Error(long line, std::string text) {
        contents_.errors.push_back({{file_, line}, std::move(text)});
    }

    const std::string& file_;
    FileContents& contents_;
    bool inCard_ = false;
    long cardLine_ = 0;
    int nested_ = 0;
    bool quotedPrintable_ = false;
    bool softBreak_ = false;
    std::string card_;
};

}  // namespace

FileContents ReadVCardText(const std::string& file, std::string_view text) {
    FileContents contents;
    CardReader(file, contents).Read(text);
    if (!contents.errors.empty()) {
        contents.contacts.clear();
    }
    return contents;
}

}  // namespace calvendra::exchange
