#pragma once
// Ownership of GLib/GMime objects: a unique_ptr that drops its reference with g_object_unref.
// Include only from translation units that do not include Qt (GLib headers clash with Qt's
// keywords).

#include <glib-object.h>
#include <gmime/gmime.h>

#include <memory>

namespace velora::platform {

struct GObjectUnref {
    void operator()(gpointer object) const {
        if (object != nullptr) g_object_unref(object);
    }
};

template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GFreeDeleter {
    void operator()(gpointer memory) const { g_free(memory); }
};
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

struct FormatOptionsDeleter {
    void operator()(GMimeFormatOptions* options) const { g_mime_format_options_free(options); }
};
using FormatOptionsPtr = std::unique_ptr<GMimeFormatOptions, FormatOptionsDeleter>;

// g_mime_init, once per process, from any thread.
void EnsureGMimeInitialised();

}  // namespace velora::platform
