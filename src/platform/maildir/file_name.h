#pragma once
// Maildir message file names: "UNIQUE[,KEY=VALUE...][:2,FLAGS]". The unique name identifies a
// message for its whole life; the rest changes as flags change or a sync tool renames the file.

#include <optional>
#include <string>
#include <string_view>

namespace velora::platform {

struct MaildirFileName {
    std::string_view unique;  // before ":2,", cut before the first ",U=", ",S=" or ",W=" part
    std::string_view
        base;  // everything before the first ":2," (the unique name with the sync parts)
    bool hasInfo = false;    // ":2," present
    std::string_view flags;  // the letters after ":2," (empty without info)
};

// nullopt for names that are no message file: empty, starting with '.', or with an empty unique
// name.
[[nodiscard]] std::optional<MaildirFileName> ParseMaildirFileName(std::string_view name);

bool HasMaildirFlag(const MaildirFileName& name, char flag);

// The file name with `flag` set or cleared and every other letter kept in place (a set flag is
// inserted before the first letter that sorts after it, so sorted flags stay sorted). A name
// without info gets ":2," only when a flag is set.
std::string WithMaildirFlag(const MaildirFileName& name, char flag, bool set);

}  // namespace velora::platform
