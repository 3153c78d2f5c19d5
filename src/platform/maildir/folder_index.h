#pragma once
// How long a Maildir store keeps a folder's index (its header cache entries, with each file's
// current name) once the folder is listed.

namespace velora::platform {

enum class FolderIndexUse {
    Kept,  // kept for later listings and message look-ups (an interactive session's way)
    // Dropped once the folder is listed, so a one-pass lister never holds the index beside the
    // rows built from it; a later listing reads the cache file again and a later look-up scans
    // the folder.
    ReleasedAfterListing,
};

}  // namespace velora::platform
