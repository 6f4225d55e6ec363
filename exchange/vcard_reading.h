#pragma once

#include <string>
#include <string_view>

#include "exchange/exchange_items.h"

namespace calvendra::exchange {

// The contacts of a vCard text: one card or many, in vCard 2.1 (quoted-printable values, CHARSET),
// 3.0 or 4.0, read by evolution-data-server's EVCard. The text has passed CheckText. A card
// fills the organizer's fields as far as they go; what has no field of its own is kept as a
// "Label: value" line of the others text, and a photo only as a line that says one was there.
FileContents ReadVCardText(const std::string& file, std::string_view text);

}  // namespace calvendra::exchange
