#include <gtest/gtest.h>

#include <tuple>

#include "platform/maildir/file_name.h"

namespace velora::platform {
namespace {

struct NameCase {
    const char* name;
    const char* unique;
    bool hasInfo;
    const char* flags;
};

TEST(MaildirFileNameTest, UniqueNameSurvivesRenamesBySyncTools) {
    const NameCase cases[] = {
        {"1700000000.M1P2.host", "1700000000.M1P2.host", false, ""},
        {"1700000000.M1P2.host:2,RS", "1700000000.M1P2.host", true, "RS"},
        {"1700000000.M1P2.host,S=1234,W=1260:2,Sa", "1700000000.M1P2.host", true, "Sa"},
        {"odd,name:2,S", "odd,name", true, "S"},  // a comma without KEY= stays part of the name
        {"name,U=:2,", "name", true, ""},
        {"a:2,b:2,S", "a", true, "b:2,S"},  // the first ":2," starts the info
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto parsed = ParseMaildirFileName(c.name);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(std::tie(parsed->unique, parsed->hasInfo, parsed->flags),
                  std::tie(c.unique, c.hasInfo, c.flags));
    }
}

TEST(MaildirFileNameTest, RefusesNamesThatAreNoMessages) {
    for (const char* name : {"", ".hidden", ".", "..", ",U=1:2,S", ":2,S"}) {
        EXPECT_FALSE(ParseMaildirFileName(name).has_value()) << name;
    }
}

TEST(MaildirFileNameTest, FlagChangesKeepEveryOtherLetter) {
    struct FlagCase {
        const char* before;
        bool set;
        const char* after;
    };
    const FlagCase cases[] = {
        {"m", true, "m:2,S"},
        {"m:2,FRT", true, "m:2,FRST"},
        {"m:2,Sabc", false, "m:2,abc"},  // Dovecot keyword letters stay
        {"m,U=7:2,RS", true, "m,U=7:2,RS"},
        {"m:2,SS", false, "m:2,"},
    };
    for (const FlagCase& c : cases) {
        SCOPED_TRACE(c.before);
        const auto parsed = ParseMaildirFileName(c.before);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(WithMaildirFlag(*parsed, 'S', c.set), c.after);
    }
}

}  // namespace
}  // namespace velora::platform
