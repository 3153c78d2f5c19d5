#pragma once
// Which mail stores the program offers, in order:
//   1. every --maildir PATH, in command-line order;
//   2. else the stores of $VELORA_HOME/stores.ini (VELORA_HOME defaults to
//      $XDG_CONFIG_HOME/velora), in file order;
//   3. else $MAILDIR;
//   4. else the demo store, installed into $XDG_DATA_HOME/velora/demo on first use.
//
// stores.ini:
//   [store Work]
//   maildir = ~/Mail/work        (a leading ~/ is the home folder; relative paths are relative
//   address = me@example.org      to the file's folder)
//   default = true               (the default store's display name gets ".DEFAULT")
// Lines starting with '#' or ';' are comments.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/mapi/mapi.h"

namespace velora::commands {

// $VELORA_HOME, else $XDG_CONFIG_HOME/velora, else ~/.config/velora.
std::filesystem::path VeloraHome();

// Parses stores.ini text; nullopt with a one-line reason (naming the line) in `error`.
[[nodiscard]] std::optional<std::vector<platform::MessageStoreDefinition>> ParseStoresIni(
    std::string_view text, const std::filesystem::path& baseFolder, std::string& error);

// The stores by the rules above; nullopt with a one-line reason in `error` when a store path
// does not exist or is not a Maildir, stores.ini is malformed or is no regular file (a link to
// one is followed), or the demo store cannot be installed.
[[nodiscard]] std::optional<std::vector<platform::MessageStoreDefinition>> ResolveMessageStores(
    const std::vector<std::string>& maildirs, std::string& error);

}  // namespace velora::commands
