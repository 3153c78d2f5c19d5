#pragma once
// One Maildir store: its layout, folder tree, message listing (through the header cache), flag
// changes, moves to Trash and side-file states. Folder paths are relative to the store root,
// '/'-separated, "" for the root; no path handed in ever reaches outside the root.
// Its members live by subject: folder_tree.cpp (layout and tree), listing.cpp, message_lookup.cpp
// and message_changes.cpp.
//
// Layout rules:
// - The Inbox is the root itself when the root is a Maildir (Maildir++), else its INBOX or Inbox
//   folder (mbsync).
// - Special folders by their usual names at the top level (Drafts; Sent, Sent Items, Sent
//   Messages; Trash, Deleted Items, Deleted Messages; Outbox). A missing one has the path it
//   would have (".Trash" in Maildir++, "Trash" beside an INBOX folder); it lists as empty and is
//   made on disk only when a message moves into it. One that is a link leading outside the
//   store counts as missing (reported once on stderr); moving into it fails.
// - Folders are found at any depth; links to directories are not followed.
// - Every other folder except Junk and Spam sits below the Inbox, nested as its path nests it
//   (".A.B" and "A/B" are both A, then B), siblings in name order. A folder that exists only as
//   the parent of another (".A.B" without ".A") is shown as an empty folder.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/maildir/folder_index.h"
#include "platform/maildir/header_cache.h"
#include "platform/maildir/headers.h"
#include "platform/maildir/side_file.h"

namespace velora::platform {

// What a change to a message file came to.
enum class MaildirStatus {
    Done,
    NotFound,    // no such message (or folder)
    UnsafePath,  // the folder path leads outside the store
    NoAccess,    // the target folder is a link out of the store: never written to
    Collision,   // the new file name is taken; both files stay
    DiskError,
};

enum class SpecialFolder { Inbox, Outbox, Drafts, DeletedItems, SentItems };

struct MaildirFolderNode {
    std::string name;     // display name (UTF-8 bytes as on disk)
    std::string path;     // folder path below the root
    bool onDisk = false;  // false for a folder that exists only as the parent of others
    std::vector<MaildirFolderNode> children;
};

// One row of a folder listing; a listing holds one per message, so it stays small (where the
// file lies is kept by the store's cache, see MessagePath).
struct MaildirMessage {
    std::string unique;
    std::uint64_t size = 0;
    std::uint64_t deliveryTime = 0;  // FILETIME ticks: header date, else the file's time
    std::shared_ptr<const MessageHeaderInfo> header;  // never null; shared with the cache
    bool read = false;
};

class MaildirStore {
  public:
    MaildirStore(std::filesystem::path root, std::string ownAddress,
                 FolderIndexUse indexUse = FolderIndexUse::Kept);

    const std::filesystem::path& Root() const { return root_; }
    const std::string& SpecialFolderPath(SpecialFolder folder) const;
    bool IsSpecialFolder(const std::string& folderPath) const;
    bool IsUnsentFolder(const std::string& folderPath) const;
    bool IsFromMe(const MessageHeaderInfo& header) const;

    // Children of `folderPath` (any node of the tree below the Inbox, the Inbox included); none
    // for an unknown path. Asking for the Inbox's children scans the disk for the tree again
    // (a new listing starts there); other folders are looked up in the tree of the last scan, so
    // a walk through the tree scans the disk once.
    std::vector<MaildirFolderNode> ChildFolders(const std::string& folderPath);
    std::string FolderDisplayName(const std::string& folderPath) const;
    // The parent folder of a folder in the tree below the Inbox (the Inbox for its children);
    // nullopt for the Inbox, special folders and unknown folders.
    [[nodiscard]] std::optional<std::string> ParentFolder(const std::string& folderPath);

    // The folder's directory, or nullopt when the path is unsafe or leads outside the root
    // (through a symbolic link, say). The directory need not exist.
    [[nodiscard]] std::optional<std::filesystem::path> FolderDirectory(
        const std::string& folderPath) const;

    // Every message of the folder (cur/ and new/), through the header cache.
    std::vector<MaildirMessage> ListMessages(const std::string& folderPath);
    // Counts without reading any message: all messages, and those without the S flag.
    void CountMessages(const std::string& folderPath, std::uint32_t& total,
                       std::uint32_t& unread) const;

    // The message with this unique name as it is now (its row, and the path of its file), found
    // again after another program renamed it; nullopt when it is gone.
    [[nodiscard]] std::optional<MaildirMessage> FindMessageNow(const std::string& folderPath,
                                                               const std::string& unique);
    [[nodiscard]] std::optional<std::filesystem::path> MessagePath(const std::string& folderPath,
                                                                   const std::string& unique);

    // Flag changes and moves rename the message file and never replace another file: when the
    // new name is taken (the same message in two files, say) both stay and MaildirStatus::Collision
    // is returned.
    [[nodiscard]] MaildirStatus SetSeen(const std::string& folderPath, const std::string& unique,
                                        bool seen);
    [[nodiscard]] MaildirStatus MoveToTrash(const std::string& folderPath,
                                            const std::string& unique);

    MessageSideState SideState(const std::string& folderPath, const std::string& unique) const;
    [[nodiscard]] MaildirStatus SetSideState(const std::string& folderPath,
                                             const std::string& unique, MessageSideState state);

  private:
    struct FolderIndex {
        bool loaded = false;
        std::uint64_t listing = 0;  // number of the last listing
        HeaderCacheEntries cache;   // by unique name, with each file's current name
        FolderStamps stamps;        // the directory times the cache is true for
    };

    // Scans cur/ and new/, reading the files that are new or changed since they were cached;
    // adds a row per message and returns whether the cache changed.
    bool ScanFolder(const std::filesystem::path& directory, FolderIndex& index,
                    std::uint64_t listing, std::vector<MaildirMessage>& messages);

    std::vector<MaildirFolderNode> ScanTree() const;
    // The tree as scanned by the last look at the Inbox's children; scanned now when there is
    // none yet.
    const std::vector<MaildirFolderNode>& Tree();
    // "cur/NAME" or "new/NAME" of the message's regular file as it is now: where the index says,
    // else looked for by its unique name (and remembered); nullopt when there is none.
    [[nodiscard]] std::optional<std::string> CurrentFileName(const std::string& folderPath,
                                                             const std::string& unique);
    // The row of the message file `fileName` ("cur/NAME"), its header from the index while the
    // file's size and time match, else read now; nullopt when it is no readable message file.
    [[nodiscard]] std::optional<MaildirMessage> RowFromFile(const std::string& folderPath,
                                                            const std::string& fileName);

    std::filesystem::path root_;
    std::filesystem::path canonicalRoot_;
    std::string ownAddress_;
    FolderIndexUse indexUse_;
    std::string specialPaths_[5];
    std::unordered_map<std::string, FolderIndex> folders_;
    std::optional<std::vector<MaildirFolderNode>> tree_;
};

// The unique names this process gives to messages it moves: "SECONDS.MMICROSPPID_QCOUNT.velora".
std::string FreshUniqueName();

}  // namespace velora::platform
