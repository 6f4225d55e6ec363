#pragma once

#include <string>

#include <wx/dynlib.h>

namespace calvendra {

// The optional outside skin library, libAppFace.so, which can change the look of the organizer's
// windows. It is not part of the program and is usually absent: then nothing is bound, every
// operation does nothing, the program keeps its standard look and nothing is reported.
//
// The library is loaded at run time by its file name, so the dynamic linker's own search finds it
// (LD_LIBRARY_PATH, the ld.so cache, /usr/lib and /lib); nothing links against it. Its functions
// are plain C functions:
//   int SkinStart(char* skinFile, char* text, int mode, void* reserved, char* moreText);
//   int SkinRemove(void);
//   int SkinWindowSet(unsigned long window, int mode);
//   SkinThread, looked up but never called.
// The three text arguments are 256-byte buffers; the window is the X11 window id of a top-level
// window. Their results are not used.
class SkinBinding {
public:
    // The library's file name on this platform.
    static constexpr char kLibraryName[] = "libAppFace.so";
    // The size of each text buffer handed to SkinStart, its terminating zero included.
    static constexpr size_t kTextBufferSize = 256;

    SkinBinding() = default;
    ~SkinBinding() { Unbind(); }

    SkinBinding(const SkinBinding&) = delete;
    SkinBinding& operator=(const SkinBinding&) = delete;

    // Loads the library and looks up SkinStart, SkinRemove, SkinWindowSet and SkinThread in this
    // order, stopping at the first that is missing; the ones found before it stay bound and are
    // called at their steps. True only when all four were found, or when they were already.
    // A name without a slash is searched for; a path is taken as it is.
    bool Bind(const std::string& library = kLibraryName);

    // SkinStart with the skin file (cut to 255 bytes), two empty texts, mode 1 and null.
    void Start(const std::string& skinFile);
    // SkinWindowSet with the window and mode 1.
    void SetWindow(unsigned long window);
    // SkinRemove.
    void Remove();
    // Releases the library; nothing is bound afterwards.
    void Unbind();

    // True when the library and all four functions were found.
    bool IsLoaded() const { return loaded_; }
    // True while the library is held, whole or in part.
    bool HoldsLibrary() const { return library_.IsLoaded(); }

private:
    using StartFunction = int (*)(char*, char*, int, void*, char*);
    using RemoveFunction = int (*)();
    using WindowSetFunction = int (*)(unsigned long, int);

    bool loaded_ = false;
    wxDynamicLibrary library_;
    StartFunction start_ = nullptr;
    RemoveFunction remove_ = nullptr;
    WindowSetFunction windowSet_ = nullptr;
    void* thread_ = nullptr;
};

}  // namespace calvendra
