// Administrator membership from the token's groups.
#include <gtest/gtest.h>

#include "checks/UserAdmin.h"
#include "tests/checks/MachineTestSupport.h"

namespace {

using platform::TokenGroup;

constexpr std::uint32_t kEnabled = 0x7, kDenyOnly = 0x10;

TEST(UserAdmin, TheBuiltinAdministratorsGroupCountsWhateverItsAttributes) {
    struct Case {
        const char* label;
        std::vector<TokenGroup> groups;
        bool administrator;
    };
    const Case cases[] = {
        {"elevated administrator", {{L"S-1-1-0", kEnabled}, {L"S-1-5-32-544", kEnabled | 0x8}}, true},
        {"filtered administrator (deny-only)", {{L"S-1-1-0", kEnabled}, {L"S-1-5-32-544", kDenyOnly}}, true},
        {"standard user", {{L"S-1-1-0", kEnabled}, {L"S-1-5-32-545", kEnabled}, {L"S-1-5-4", kEnabled}}, false},
        {"a longer SID that starts alike", {{L"S-1-5-32-5440", kEnabled}, {L"S-1-5-32-544-1", kEnabled}}, false},
        {"no groups", {}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(ListsAdministrators(c.groups), c.administrator) << c.label;
}

TEST(UserAdmin, LogsItsFrameAndReadsAnUnreadableTokenAsNoAdministrator) {
    struct Case {
        std::optional<std::vector<TokenGroup>> groups;
        bool administrator;
    };
    const Case cases[] = {
        {std::vector<TokenGroup>{{L"S-1-5-32-544", kDenyOnly}}, true},
        {platform::fakes::FakeSecurity::StandardUser(), false},
        {std::nullopt, false},
    };
    for (const Case& c : cases) {
        platform::fakes::ScopedFakeMachine machine;
        machine.security.groups = c.groups;
        EXPECT_EQ(IsUserAdmin(), c.administrator);
        EXPECT_EQ(LogEntries(machine), (std::vector<std::wstring>{L"IN-> IsUserAdmin()", L"OUT-> IsUserAdmin()"}));
    }
}

}  // namespace
