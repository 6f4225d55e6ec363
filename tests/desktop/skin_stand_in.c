/* A stand-in for the outside skin library, for tests: it writes one line for each call, with its
 * arguments, to the file that CALVENDRA_SKIN_RECORD names, and one when it is loaded and unloaded.
 * Built in variants that leave one function out (OMIT_SkinStart, ...). */

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define TEXT_BUFFER_SIZE 256

static void Record(const char* format, ...) {
    const char* path = getenv("CALVENDRA_SKIN_RECORD");
    if (path == NULL) {
        return;
    }
    FILE* file = fopen(path, "a");
    if (file == NULL) {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    vfprintf(file, format, arguments);
    va_end(arguments);
    fputc('\n', file);
    fclose(file);
}

/* "zero-filled" when every byte after the text up to the buffer's end is zero. */
__attribute__((unused)) static const char* Tail(const char* buffer) {
    for (size_t i = strnlen(buffer, TEXT_BUFFER_SIZE); i < TEXT_BUFFER_SIZE; ++i) {
        if (buffer[i] != 0) {
            return "dirty";
        }
    }
    return "zero-filled";
}

__attribute__((constructor)) static void Loaded(void) {
    Record("load");
}

__attribute__((destructor)) static void Unloaded(void) {
    Record("unload");
}

#ifndef OMIT_SkinStart
int SkinStart(char* skinFile, char* text, int mode, void* reserved, char* moreText) {
    Record("SkinStart|%.*s|%zu %s|%.*s %s|%d|%s|%.*s %s", TEXT_BUFFER_SIZE, skinFile,
           strnlen(skinFile, TEXT_BUFFER_SIZE), Tail(skinFile), TEXT_BUFFER_SIZE, text, Tail(text),
           mode, reserved == NULL ? "null" : "not null", TEXT_BUFFER_SIZE, moreText,
           Tail(moreText));
    return 1;
}
#endif

#ifndef OMIT_SkinRemove
int SkinRemove(void) {
    Record("SkinRemove");
    return 1;
}
#endif

#ifndef OMIT_SkinWindowSet
int SkinWindowSet(unsigned long window, int mode) {
    Record("SkinWindowSet|%lu|%d", window, mode);
    return 1;
}
#endif

#ifndef OMIT_SkinThread
int SkinThread(void) {
    Record("SkinThread");
    return 1;
}
#endif
