#include "platform/base/program_services.h"

namespace velora::platform {

namespace {
ProgramServices* innermost = nullptr;
}  // namespace

std::recursive_mutex& ProgramServices::Mutex() {
    // A part's constructor may ask for another part.
    static std::recursive_mutex mutex;
    return mutex;
}

ProgramServices::ProgramServices() : installed_(true) {
    std::lock_guard lock(Mutex());
    outer_ = innermost;  // NOLINT(cppcoreguidelines-prefer-member-initializer): read under the lock
    innermost = this;
}

ProgramServices::ProgramServices(Tag) {}

ProgramServices::~ProgramServices() {
    std::lock_guard lock(Mutex());
    // A part's destructor may still use parts made before it.
    while (!parts_.empty()) {
        const Entry last = parts_.back();
        last.destroy(last.part);
        parts_.pop_back();
    }
    if (installed_ && innermost == this) innermost = outer_;
}

void* ProgramServices::Find(const void* key) const {
    for (const ProgramServices* services = this; services != nullptr; services = services->outer_) {
        for (const Entry& entry : services->parts_) {
            if (entry.key == key) return entry.part;
        }
    }
    return nullptr;
}

void ProgramServices::Keep(const void* key, void* part, void (*destroy)(void*)) {
    parts_.push_back(Entry{key, part, destroy});
}

ProgramServices& CurrentProgramServices() {
    std::lock_guard lock(ProgramServices::Mutex());
    if (innermost != nullptr) return *innermost;
    static ProgramServices* const lasting = new ProgramServices(ProgramServices::Tag{});
    return *lasting;
}

}  // namespace velora::platform
