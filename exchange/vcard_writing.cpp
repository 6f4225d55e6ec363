#include "exchange/vcard_writing.h"

#include <glib.h>
#define __LIBEBOOK_CONTACTS_H_INSIDE__
#include <libebook-contacts/e-vcard.h>
#undef __LIBEBOOK_CONTACTS_H_INSIDE__

#include <initializer_list>
#include <memory>

#include "editors/contact_record.h"

namespace calvendra::exchange {

namespace {

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

class CardBuilder {
public:
    explicit CardBuilder(VCardVersion version)
        : card_(e_vcard_new(), &g_object_unref), version_(version) {}

    // A property of one or more components; nothing when they are all empty.
    void Add(const char* name, std::initializer_list<std::string> values,
             std::initializer_list<const char*> types = {}) {
        bool any = false;
        for (const std::string& value : values) {
            any = any || !value.empty();
        }
        if (any) {
            AddAlways(name, values, types);
        }
    }

    // Also when the values are empty: for the properties that the format requires.
    void AddAlways(const char* name, std::initializer_list<std::string> values,
                   std::initializer_list<const char*> types = {}) {
        EVCardAttribute* attribute = e_vcard_attribute_new(nullptr, name);
        if (types.size() > 0) {
            EVCardAttributeParam* param = e_vcard_attribute_param_new("TYPE");
            for (const char* type : types) {
                e_vcard_attribute_param_add_value(param, type);
            }
            e_vcard_attribute_add_param(attribute, param);
        }
        for (const std::string& value : values) {
            e_vcard_attribute_add_value(attribute, value.c_str());
        }
        e_vcard_append_attribute(card_.get(), attribute);
    }

    bool Is40() const { return version_ == VCardVersion::k40; }

    std::string Text() {
        std::unique_ptr<gchar, void (*)(gpointer)> text(
            e_vcard_to_string(card_.get(), EVC_FORMAT_VCARD_30), &g_free);
        std::string card = text.get();
        if (Is40()) {
            // The library writes the 3.0 form, whose lines and escapes 4.0 shares; only the
            // version line differs, and every property written here is one of 4.0's.
            static constexpr char kVersion30[] = "\r\nVERSION:3.0\r\n";
            const auto at = card.find(kVersion30);
            if (at != std::string::npos) {
                card.replace(at, sizeof kVersion30 - 1, "\r\nVERSION:4.0\r\n");
            }
        }
        if (card.size() < 2 || card.compare(card.size() - 2, 2, "\r\n") != 0) {
            card += "\r\n";
        }
        return card;
    }

private:
    std::unique_ptr<EVCard, void (*)(gpointer)> card_;
    VCardVersion version_;
};

}  // namespace

std::string VCardOf(const statements::ContactFields& f, const std::string& groupPath,
                    VCardVersion version) {
    using F = ContactField;
    CardBuilder card(version);
    const bool v4 = card.Is40();
    card.Add("PRODID", {"-//Calvendra//Calvendra 1.0//EN"});
    const std::string& first = f[F::kFirstName];
    const std::string& last = f[F::kLastName];
    std::string fullName = first + (first.empty() || last.empty() ? "" : " ") + last;
    if (IsBlank(fullName)) {
        fullName = !f[F::kHomeEmail].empty() ? f[F::kHomeEmail] : f[F::kBusinessEmail];
    }
    // FN is required in 3.0 and 4.0, and N in 3.0.
    card.AddAlways("FN", {fullName});
    card.AddAlways("N", {last, first, "", "", ""});

    const std::string& gender = f[F::kGender];
    const char* sex = gender == "Male" ? "M" : gender == "Female" ? "F" : nullptr;
    if (sex != nullptr) {
        card.Add(v4 ? "GENDER" : "X-GENDER", {v4 ? std::string(sex) : gender});
    }

    const char* internet = v4 ? nullptr : "INTERNET";
    if (internet != nullptr) {
        card.Add("EMAIL", {f[F::kHomeEmail]}, {internet, "HOME"});
        card.Add("EMAIL", {f[F::kBusinessEmail]}, {internet, "WORK"});
    } else {
        card.Add("EMAIL", {f[F::kHomeEmail]}, {"home"});
        card.Add("EMAIL", {f[F::kBusinessEmail]}, {"work"});
    }
    auto type = [v4](const char* lower, const char* upper) { return v4 ? lower : upper; };
    card.Add("TEL", {f[F::kHomePhone]}, {type("home", "HOME"), type("voice", "VOICE")});
    card.Add("TEL", {f[F::kHomeMobile]}, {type("cell", "CELL")});
    card.Add("TEL", {f[F::kHomeFax]}, {type("home", "HOME"), type("fax", "FAX")});
    card.Add("TEL", {f[F::kBusinessPhone]}, {type("work", "WORK"), type("voice", "VOICE")});
    card.Add("TEL", {f[F::kBusinessFax]}, {type("work", "WORK"), type("fax", "FAX")});
    card.Add("ADR",
             {"", "", f[F::kHomeStreet], f[F::kHomeCity], f[F::kHomeState], f[F::kHomeZip],
              f[F::kHomeCountry]},
             {type("home", "HOME")});
    card.Add("ADR",
             {"", "", f[F::kBusinessStreet], f[F::kBusinessCity], f[F::kBusinessState],
              f[F::kBusinessZip], f[F::kBusinessCountry]},
             {type("work", "WORK")});
    for (auto [field, side] :
         {std::pair{F::kHomeWeb, "home"}, std::pair{F::kBusinessWeb, "work"}}) {
        if (f[field] != kWebFieldDefault) {
            card.Add("URL", {f[field]}, {v4 ? side : (side[0] == 'h' ? "HOME" : "WORK")});
        }
    }
    card.Add("TITLE", {f[F::kBusinessJobTitle]});
    if (!f[F::kBusinessOffice].empty()) {
        card.Add("ORG", {"", f[F::kBusinessDepartment], f[F::kBusinessOffice]});
    } else {
        card.Add("ORG", {"", f[F::kBusinessDepartment]});
    }
    card.Add("NOTE", {f[F::kOthers]});
    card.Add("CATEGORIES", {groupPath});
    return card.Text();
}

}  // namespace calvendra::exchange
