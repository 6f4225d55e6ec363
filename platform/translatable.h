#pragma once

// Marks a text that the user reads where a plain string must stand (a constant, a part without a
// window): the window that shows it looks it up in the user's language (wxGetTranslation), and
// scripts/update-translations finds it here.
#define TRANSLATABLE(text) text
