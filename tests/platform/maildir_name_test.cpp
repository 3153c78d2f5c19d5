#include <gtest/gtest.h>

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
        {"1700000000.M1P2.host:2,", "1700000000.M1P2.host", true, ""},
        {"1700000000.M1P2.host:2,RS", "1700000000.M1P2.host", true, "RS"},
        {"1700000000.M1P2.host,U=42:2,S", "1700000000.M1P2.host", true, "S"},
        {"1700000000.M1P2.host,S=1234,W=1260:2,Sa", "1700000000.M1P2.host", true, "Sa"},
        {"odd,name:2,S", "odd,name", true, "S"},  // a comma without KEY= stays part of the name
        {"name,U=:2,", "name", true, ""},
        {"a:2,b:2,S", "a", true, "b:2,S"},  // the first ":2," starts the info
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto parsed = ParseMaildirFileName(c.name);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(parsed->unique, c.unique);
        EXPECT_EQ(parsed->hasInfo, c.hasInfo);
        EXPECT_EQ(parsed->flags, c.flags);
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
        {"m", false, "m"},
        {"m:2,", true, "m:2,S"},
        {"m:2,FRT", true, "m:2,FRST"},
        {"m:2,FRST", false, "m:2,FRT"},
        {"m:2,Sabc", false, "m:2,abc"},  // Dovecot keyword letters stay
        {"m:2,abc", true, "m:2,Sabc"},
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
