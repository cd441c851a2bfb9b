#include "common/policy_manager.h"

#include "common/settings_light.h"
#include "settings_seeding.h"

#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using namespace settings_seeding;

const std::u16string kProduct = kProductKeyPath;
const std::u16string kPolicy = kPolicyKeyPath;

class PolicyManagerTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override {
        // The policy is read through the product keys, which must be there.
        SeedString(HKEY_LOCAL_MACHINE, kProduct, u"Location", u"C:\\Program");
    }
};

// How the value is stored in one place: absent, a DWORD, or a text.
struct Stored {
    std::optional<DWORD> dword;
    bool asText = false;
};

struct PolicyCase {
    const char* what;
    Stored policy;
    Stored product;
    LONG expected;
};

void Store(HKEY root, const std::u16string& path, const Stored& stored) {
    SeedKey(root, path);
    if (stored.asText)
        SeedString(root, path, u"DisableViewBroadcast", u"1");
    else if (stored.dword)
        SeedDword(root, path, u"DisableViewBroadcast", *stored.dword);
}

TEST_F(PolicyManagerTest, PolicyWinsOverTheProductKeyAndThreeMeansNotConfigured) {
    const PolicyCase cases[] = {
        {"policy first value", {1}, {}, 1},
        {"policy second value", {0}, {1}, 2},
        {"policy other value, product not consulted", {7}, {1}, 0},
        {"policy not a DWORD, product not consulted", {std::nullopt, true}, {1}, 3},
        {"no policy value: product first value", {}, {1}, 1},
        {"no policy value: product second value", {}, {0}, 2},
        {"no policy value: product other value", {}, {5}, 0},
        {"neither", {}, {}, 3},
    };
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        int scope = root == HKEY_CURRENT_USER ? 1 : 0;
        HKEY otherRoot = root == HKEY_CURRENT_USER ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
        for (const PolicyCase& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (scope == 1 ? ", per user" : ", machine-wide"));
            RegDeleteTreeW(root, kPolicy.c_str());
            RegDeleteTreeW(root, (kProduct + u"\\General").c_str());
            Store(root, kPolicy + u"\\General", c.policy);
            Store(root, kProduct + u"\\General", c.product);
            // The other scope's keys say otherwise and must not count.
            SeedDword(otherRoot, kPolicy + u"\\General", u"DisableViewBroadcast", 0);

            PolicyManager policy(u"DisableViewBroadcast", u"General", scope, 1, 0);
            EXPECT_EQ(policy.mlReadValue(), c.expected);
            RegDeleteTreeW(otherRoot, kPolicy.c_str());
        }
    }
}

TEST_F(PolicyManagerTest, MissingSubKeyIsNotConfigured) {
    SeedDword(HKEY_CURRENT_USER, kProduct + u"\\Other", u"DisableViewBroadcast", 1);
    PolicyManager policy(u"DisableViewBroadcast", u"General", 1, 1, 0);
    EXPECT_EQ(policy.mlReadValue(), 3);
}

}  // namespace
