#include "desktop/skin_binding.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/log.h"

namespace calvendra {

namespace {

using TextBuffer = std::array<char, SkinBinding::kTextBufferSize>;

}  // namespace

bool SkinBinding::Bind(const std::string& library) {
    if (loaded_ && library_.IsLoaded()) {
        return true;
    }
    // An absent library is the normal case: wx must not report the failed load.
    if (!library_.IsLoaded() &&
        !library_.Load(wxString::FromUTF8(library), wxDL_NOW | wxDL_VERBATIM | wxDL_QUIET)) {
        return false;
    }
    // The look-ups stop at the first missing name; RawGetSymbol, unlike GetSymbol, reports
    // nothing itself.
    const char* missing = nullptr;
    const auto find = [&](const char* name) -> void* {
        void* address = missing == nullptr ? library_.RawGetSymbol(name) : nullptr;
        if (address == nullptr && missing == nullptr) {
            missing = name;
        }
        return address;
    };
    start_ = reinterpret_cast<StartFunction>(find("SkinStart"));
    remove_ = reinterpret_cast<RemoveFunction>(find("SkinRemove"));
    windowSet_ = reinterpret_cast<WindowSetFunction>(find("SkinWindowSet"));
    thread_ = find("SkinThread");
    if (missing != nullptr) {
        LogWarning(library + " has no " + missing + ": the skin is bound only in part");
        return false;
    }
    loaded_ = true;
    return true;
}

void SkinBinding::Start(const std::string& skinFile) {
    if (start_ == nullptr) {
        return;
    }
    TextBuffer file{};
    TextBuffer text{};
    TextBuffer moreText{};
    std::memcpy(file.data(), skinFile.data(), std::min(skinFile.size(), file.size() - 1));
    start_(file.data(), text.data(), 1, nullptr, moreText.data());
}

void SkinBinding::SetWindow(unsigned long window) {
    if (windowSet_ != nullptr) {
        windowSet_(window, 1);
    }
}

void SkinBinding::Remove() {
    if (remove_ != nullptr) {
        remove_();
    }
}

void SkinBinding::Unbind() {
    if (library_.IsLoaded()) {
        library_.Unload();
    }
    loaded_ = false;
    start_ = nullptr;
    remove_ = nullptr;
    windowSet_ = nullptr;
    thread_ = nullptr;
}

}  // namespace calvendra
