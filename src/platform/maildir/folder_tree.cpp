// MaildirStore's folder tree: the store's layout (the Inbox and the special folders), the tree of
// folders below the Inbox as scanned from the disk, and the checks that keep a folder path inside
// the root.

#include <sys/stat.h>

#include <algorithm>
#include <set>

#include "platform/base/ascii_case.h"
#include "platform/base/file_io.h"
#include "platform/maildir/path_safety.h"
#include "platform/maildir/store.h"
#include "platform/maildir/store_files.h"

namespace velora::platform {
namespace {

namespace fs = std::filesystem;
using maildir_files::IsMaildir;

// Usual names of the special folders, preferred first, by SpecialFolder value.
const std::vector<std::vector<std::string_view>>& SpecialNames() {
    static const std::vector<std::vector<std::string_view>> names{
        {},
        {"Outbox"},
        {"Drafts"},
        {"Trash", "Deleted Items", "Deleted Messages"},
        {"Sent", "Sent Items", "Sent Messages"},
    };
    return names;
}

bool IsExcludedTopName(std::string_view name) {
    for (const auto& names : SpecialNames()) {
        for (std::string_view special : names) {
            if (EqualsIgnoringAsciiCase(name, special)) return true;
        }
    }
    return EqualsIgnoringAsciiCase(name, "Junk") || EqualsIgnoringAsciiCase(name, "Spam") ||
           EqualsIgnoringAsciiCase(name, "INBOX");
}

struct FolderCandidate {
    std::vector<std::string> components;
    std::vector<std::string> prefixes;  // the folder path of each component's level
    std::string path;
};

// Every Maildir below the root, at any depth. Links to directories are never followed and each
// directory is visited once (by device and inode), so no layout of the disk can make it loop;
// the length of a path the system accepts bounds the depth.
void CollectFolders(const fs::path& root, std::vector<std::string>& found) {
    std::set<std::pair<dev_t, ino_t>> visited;
    std::vector<std::string> pending{""};
    while (!pending.empty()) {
        const std::string relative = std::move(pending.back());
        pending.pop_back();
        const fs::path directory = relative.empty() ? root : root / relative;
        struct stat info {};
        if (::lstat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
            !visited.emplace(info.st_dev, info.st_ino).second) {
            continue;
        }
        if (!relative.empty() && IsMaildir(directory)) found.push_back(relative);
        std::vector<std::string> names;
        (void)ListDirectoryNames(directory, Links::Refuse, names);  // what could be read counts
        for (const std::string& name : names) {
            if (name == "cur" || name == "new" || name == "tmp") continue;
            pending.push_back(relative.empty() ? name
                                               : std::string(relative).append("/").append(name));
        }
    }
}

FolderCandidate SplitFolderPath(const std::string& path) {
    FolderCandidate candidate;
    candidate.path = path;
    std::string directoryPrefix;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        const std::string segment = path.substr(start, slash - start);
        if (!segment.empty() && segment.front() == '.') {
            std::string dotted = directoryPrefix + ".";
            std::size_t partStart = 1;
            bool first = true;
            while (partStart <= segment.size()) {
                std::size_t dot = segment.find('.', partStart);
                if (dot == std::string::npos) dot = segment.size();
                const std::string part = segment.substr(partStart, dot - partStart);
                dotted += (first ? "" : ".") + part;
                first = false;
                if (!part.empty()) {
                    candidate.components.push_back(part);
                    candidate.prefixes.push_back(dotted);
                }
                partStart = dot + 1;
            }
        } else if (!segment.empty()) {
            candidate.components.push_back(segment);
            candidate.prefixes.push_back(directoryPrefix + segment);
        }
        directoryPrefix += segment + "/";
        start = slash + 1;
    }
    if (candidate.components.size() > 1 &&
        EqualsIgnoringAsciiCase(candidate.components.front(), "INBOX")) {
        candidate.components.erase(candidate.components.begin());
        candidate.prefixes.erase(candidate.prefixes.begin());
    }
    return candidate;
}

void SortTree(std::vector<MaildirFolderNode>& nodes) {
    std::stable_sort(nodes.begin(), nodes.end(),
                     [](const MaildirFolderNode& a, const MaildirFolderNode& b) {
                         return a.name != b.name ? a.name < b.name : a.path < b.path;
                     });
    for (MaildirFolderNode& node : nodes) SortTree(node.children);
}

const MaildirFolderNode* FindNode(const std::vector<MaildirFolderNode>& nodes,
                                  const std::string& path, const MaildirFolderNode** parent,
                                  const MaildirFolderNode* current) {
    for (const MaildirFolderNode& node : nodes) {
        if (node.path == path) {
            if (parent != nullptr) *parent = current;
            return &node;
        }
        if (const MaildirFolderNode* found = FindNode(node.children, path, parent, &node))
            return found;
    }
    return nullptr;
}

}  // namespace

MaildirStore::MaildirStore(fs::path root, std::string ownAddress, FolderIndexUse indexUse)
    : root_(std::move(root)), ownAddress_(std::move(ownAddress)), indexUse_(indexUse) {
    std::error_code error;
    canonicalRoot_ = fs::weakly_canonical(root_, error);
    if (error) canonicalRoot_ = root_;
    std::string& inbox = specialPaths_[static_cast<int>(SpecialFolder::Inbox)];
    bool maildirPlusPlus = true;
    if (!IsMaildir(root_)) {
        if (IsMaildir(root_ / "INBOX")) {
            inbox = "INBOX";
            maildirPlusPlus = false;
        } else if (IsMaildir(root_ / "Inbox")) {
            inbox = "Inbox";
            maildirPlusPlus = false;
        }
    }
    std::vector<std::string> topNames;
    (void)ListDirectoryNames(root_, Links::Follow, topNames);  // the root may be a link
    for (int special = 1; special < 5; ++special) {
        std::string found;
        for (std::string_view wanted : SpecialNames()[special]) {
            for (const std::string& name : topNames) {
                const bool dotted = !name.empty() && name.front() == '.';
                const std::string_view bare = dotted ? std::string_view(name).substr(1) : name;
                if (!EqualsIgnoringAsciiCase(bare, wanted) || !IsMaildir(root_ / name)) continue;
                if (!FolderDirectory(name)) {
                    // A link out of the store (a Trash shared with another program, say) is
                    // never written through; the store works on without that folder.
                    WarnOnce((root_ / name).string(), (root_ / name).string() +
                                                          " leads outside the mail store; it is " +
                                                          "treated as absent");
                    continue;
                }
                found = name;
                break;
            }
            if (!found.empty()) break;
        }
        if (found.empty()) {
            found = (maildirPlusPlus ? "." : "") + std::string(SpecialNames()[special].front());
        }
        specialPaths_[special] = found;
    }
}

const std::string& MaildirStore::SpecialFolderPath(SpecialFolder folder) const {
    return specialPaths_[static_cast<int>(folder)];
}

bool MaildirStore::IsSpecialFolder(const std::string& folderPath) const {
    return std::find(std::begin(specialPaths_), std::end(specialPaths_), folderPath) !=
           std::end(specialPaths_);
}

bool MaildirStore::IsUnsentFolder(const std::string& folderPath) const {
    return folderPath == SpecialFolderPath(SpecialFolder::Drafts) ||
           folderPath == SpecialFolderPath(SpecialFolder::Outbox);
}

bool MaildirStore::IsFromMe(const MessageHeaderInfo& header) const {
    return !ownAddress_.empty() && EqualsIgnoringAsciiCase(header.senderAddress, ownAddress_);
}

std::vector<MaildirFolderNode> MaildirStore::ScanTree() const {
    std::vector<std::string> paths;
    CollectFolders(root_, paths);
    std::vector<FolderCandidate> candidates;
    for (const std::string& path : paths) {
        bool special = false;
        for (const std::string& specialPath : specialPaths_)
            special = special || path == specialPath;
        if (special) continue;
        FolderCandidate candidate = SplitFolderPath(path);
        if (candidate.components.empty() || IsExcludedTopName(candidate.components.front()))
            continue;
        candidates.push_back(std::move(candidate));
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const FolderCandidate& a, const FolderCandidate& b) {
                  return a.components != b.components ? a.components < b.components
                                                      : a.path < b.path;
              });
    std::vector<MaildirFolderNode> top;
    for (const FolderCandidate& candidate : candidates) {
        std::vector<MaildirFolderNode>* level = &top;
        for (std::size_t i = 0; i < candidate.components.size(); ++i) {
            const bool last = i + 1 == candidate.components.size();
            auto existing =
                std::find_if(level->begin(), level->end(), [&](const MaildirFolderNode& node) {
                    return node.name == candidate.components[i];
                });
            if (existing == level->end() || (last && existing->onDisk)) {
                MaildirFolderNode node;
                node.name = candidate.components[i];
                node.path = last ? candidate.path : candidate.prefixes[i];
                node.onDisk = last;
                level->push_back(std::move(node));
                existing = level->end() - 1;
            } else if (last) {
                existing->onDisk = true;
                existing->path = candidate.path;
            }
            level = &existing->children;
        }
    }
    SortTree(top);
    return top;
}

const std::vector<MaildirFolderNode>& MaildirStore::Tree() {
    if (!tree_) tree_ = ScanTree();
    return *tree_;
}

std::vector<MaildirFolderNode> MaildirStore::ChildFolders(const std::string& folderPath) {
    if (folderPath == SpecialFolderPath(SpecialFolder::Inbox)) {
        tree_ = ScanTree();
        return *tree_;
    }
    const MaildirFolderNode* node = FindNode(Tree(), folderPath, nullptr, nullptr);
    return node != nullptr ? node->children : std::vector<MaildirFolderNode>{};
}

std::optional<std::string> MaildirStore::ParentFolder(const std::string& folderPath) {
    const std::vector<MaildirFolderNode>& top = Tree();
    const MaildirFolderNode* parent = nullptr;
    if (FindNode(top, folderPath, &parent, nullptr) == nullptr) return std::nullopt;
    return parent != nullptr ? parent->path : SpecialFolderPath(SpecialFolder::Inbox);
}

std::string MaildirStore::FolderDisplayName(const std::string& folderPath) const {
    if (folderPath == SpecialFolderPath(SpecialFolder::Inbox)) return "Inbox";
    for (int special = 1; special < 5; ++special) {
        if (folderPath == specialPaths_[special]) {
            const std::string& path = specialPaths_[special];
            return path.front() == '.' ? path.substr(1) : path;
        }
    }
    const FolderCandidate candidate = SplitFolderPath(folderPath);
    return candidate.components.empty() ? folderPath : candidate.components.back();
}

std::optional<fs::path> MaildirStore::FolderDirectory(const std::string& folderPath) const {
    if (!IsSafeFolderPath(folderPath)) return std::nullopt;
    const fs::path directory = folderPath.empty() ? root_ : root_ / folderPath;
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(directory, error);
    if (error) return std::nullopt;
    const std::string rootText = canonicalRoot_.string();
    const std::string resolvedText = resolved.string();
    if (resolvedText != rootText &&
        !(resolvedText.size() > rootText.size() && resolvedText.starts_with(rootText) &&
          (rootText.ends_with('/') || resolvedText[rootText.size()] == '/'))) {
        return std::nullopt;
    }
    return directory;
}

}  // namespace velora::platform
