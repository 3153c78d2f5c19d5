#pragma once
// The demo store that ships inside the program: two Maildir stores with messages of every kind
// the reader handles (plain, quoted-printable and base64 bodies, HTML only, alternatives,
// attachments, a partly downloaded message, a cut-off multipart, TNEF, Latin-1 and UTF-8 text,
// senders that differ only in case, subfolders two levels deep, a message sent by the owner).
// On first use it is copied to $XDG_DATA_HOME/velora/demo; an existing copy is never touched, so
// the user's changes (read flags, deletions) stay.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velora::resources {

struct DemoStoreFile {
    std::string_view path;  // relative, "store1/cur/NAME"
    std::string_view bytes;
};

// Every embedded file, in path order.
std::vector<DemoStoreFile> DemoStoreFiles();

struct DemoStore {
    std::u16string displayName;     // contains ".DEFAULT" for the default store
    std::filesystem::path maildir;  // the Maildir store root
    std::string ownAddress;  // the owner's address in this store: messages from it are "from me"
    bool isDefault = false;
};

// The folder the demo store is installed in: $XDG_DATA_HOME/velora/demo (XDG_DATA_HOME defaults
// to ~/.local/share).
std::filesystem::path DemoStoreFolder();

// Installs the demo store into `folder` unless it already exists there, and returns the stores,
// in the order they are to be offered. Installation writes a temporary folder beside `folder` and
// renames it into place, so an interrupted run leaves no half copy. Returns an empty list (and
// the reason in `error`) when the folder cannot be written.
std::vector<DemoStore> InstallDemoStore(const std::filesystem::path& folder, std::string& error);

// The same for DemoStoreFolder().
std::vector<DemoStore> InstallDemoStore(std::string& error);

}  // namespace velora::resources
