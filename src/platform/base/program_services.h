#pragma once
// What the program's layers keep between calls: the desktop's sound player and screen-saver
// connection, the locale and its collators, the font family the screens resolve, the resource
// tables. Several of these hold Qt objects that must be gone before the Qt application is
// (Qt Multimedia's sample cache, the session bus and the font database go with it), and an object
// in static storage is destroyed by the exit handlers, after everything else. So none of them is
// static: a ProgramServices object owns them, each part made on first use, and releases them, last
// made first, when it is destroyed.
//
// A ProgramServices object installs itself for the layers while it lives (an RAII guard): whoever
// makes the Qt application makes one right after it, so it goes first. Installations nest and must
// end in the reverse order: a part is looked up from the innermost installation outwards and made
// in the innermost. A program that installs none (a benchmark, a fuzz target, a test that does
// not care) gets, on first use, one that is never destroyed, so nothing of it runs at exit.
//
// Every setting the layers take from outside a call lives here too, never in a static or behind a
// process-wide setter: a part is a plain struct declared by the library that reads it (a test
// double, a pop-up chooser, the user's locale, what the dialogs show). A test installs its own
// ProgramServices before the objects it drives and sets the part on it,
//     ProgramServices services;
//     services.Get<MessageBoxServices>().service = &recordingBoxes;
// and everything it set goes with it. State a library keeps between calls (the screens alive, the
// hive, the locale's collators) is a part private to its .cpp file.

#include <memory>
#include <mutex>
#include <vector>

namespace velora::platform {

class ProgramServices {
  public:
    ProgramServices();
    ~ProgramServices();
    ProgramServices(const ProgramServices&) = delete;
    ProgramServices& operator=(const ProgramServices&) = delete;

    // The part of type Part (default-constructible), made on first use.
    template <class Part>
    Part& Get() {
        std::lock_guard lock(Mutex());
        if (void* found = Find(&kKey<Part>)) return *static_cast<Part*>(found);
        auto* made = new Part();
        Keep(&kKey<Part>, made, [](void* part) { delete static_cast<Part*>(part); });
        return *made;
    }

  private:
    struct Tag {};
    ProgramServices(Tag);  // the never-destroyed one, not installed

    template <class Part>
    static constexpr char kKey = 0;  // one address per part type

    struct Entry {
        const void* key;
        void* part;
        void (*destroy)(void*);
    };

    static std::recursive_mutex& Mutex();
    void* Find(const void* key) const;
    void Keep(const void* key, void* part, void (*destroy)(void*));

    std::vector<Entry> parts_;
    ProgramServices* outer_ = nullptr;
    bool installed_ = false;

    friend ProgramServices& CurrentProgramServices();
};

// The innermost installed services, or the never-destroyed one.
ProgramServices& CurrentProgramServices();

}  // namespace velora::platform
