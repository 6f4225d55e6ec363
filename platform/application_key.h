#pragma once

namespace calvendra {

// The application key: the profile section that holds the e-mail settings, and the name of the
// window property by which a running organizer is recognised.
inline constexpr char kApplicationKey[] = "Calvendra1.0";

}  // namespace calvendra
