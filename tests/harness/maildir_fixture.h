#pragma once
// Maildir stores, folders and message files built by hand in a temporary home (see
// temporary_home.h).

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "harness/temporary_home.h"

namespace velora::testing {

class MaildirFixture : public TemporaryHome {
  public:
    // A Maildir (cur, new, tmp) at `relative` below the fixture root; returns its path.
    std::filesystem::path MakeMaildir(const std::string& relative) const {
        const std::filesystem::path folder = relative.empty() ? Root() : Root() / relative;
        for (const char* sub : {"cur", "new", "tmp"})
            std::filesystem::create_directories(folder / sub);
        return folder;
    }

    static std::filesystem::path WriteFile(const std::filesystem::path& file,
                                           const std::string& contents) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << contents;
        return file;
    }

    // A plain message. `date` is an RFC 5322 date; empty fields leave the header out.
    static std::string Message(const std::string& from, const std::string& subject,
                               const std::string& date, const std::string& body = "Hello.\n",
                               const std::string& extraHeaders = "") {
        std::string text;
        if (!from.empty()) text += "From: " + from + "\n";
        if (!subject.empty()) text += "Subject: " + subject + "\n";
        if (!date.empty()) text += "Date: " + date + "\n";
        text += extraHeaders;
        text += "\n" + body;
        return text;
    }

    // Writes a message into folder/sub/name.
    static std::filesystem::path AddMessage(const std::filesystem::path& folder,
                                            const std::string& sub, const std::string& name,
                                            const std::string& contents) {
        return WriteFile(folder / sub / name, contents);
    }

    // Names of the files in folder/sub.
    static std::vector<std::string> Files(const std::filesystem::path& folder,
                                          const std::string& sub) {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder / sub, error)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

}  // namespace velora::testing
