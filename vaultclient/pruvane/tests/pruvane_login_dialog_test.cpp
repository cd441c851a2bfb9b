// The login dialog, driven through the prompter as a user would, over a
// host that answers its checks from a script.
#include "pruvane_login_dialog.h"

#include "ui/application.h"
#include "ui/window_messages.h"
#include "ui_testing/scripted_prompter.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using pruvane::kFailureControl;
using pruvane::kPasswordControl;
using pruvane::kUserNameControl;
using pruvane::kVaultNameControl;

// A host whose checks answer from a queue and are recorded.
class ScriptedHost final : public LoginDialog {
public:
    explicit ScriptedHost(std::deque<int> answers) : answers_(std::move(answers)) {}
    ~ScriptedHost() = default;

    int GetVaultName(WCHAR* buffer, int length) override {
        const std::u16string name = u"Demo Vault";
        const int count = std::min<int>(static_cast<int>(name.size()), length - 1);
        std::copy_n(name.data(), count, buffer);
        buffer[count] = 0;
        return 0;
    }
    int ConnectAndVerify(INT_PTR, LPCWSTR user, LPCWSTR password) override {
        checks.emplace_back(user, password);
        if (answers_.empty()) {
            ADD_FAILURE() << "an unexpected check";
            return kLoginCheckFailed;
        }
        const int answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    std::vector<std::pair<std::u16string, std::u16string>> checks;

private:
    std::deque<int> answers_;
};

class PruvaneLoginDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "pruvane_tests";
        static char* argv[] = {name, nullptr};
        if (!ui::Application::Instance()) application_ = std::make_unique<ui::Application>(argc, argv);
    }

    static void TypeAndPressOk(ui::PromptedDialog& dialog, std::u16string_view user, std::u16string_view password) {
        EXPECT_TRUE(dialog.SetControlText(kUserNameControl, user));
        EXPECT_TRUE(dialog.SetControlText(kPasswordControl, password));
        EXPECT_TRUE(dialog.PressButton(IDOK));
    }

    ui_testing::ScriptedPrompter prompter_;
    static inline std::unique_ptr<ui::Application> application_;
};

TEST_F(PruvaneLoginDialogTest, ShowsTheVaultAndAcceptsWhatTheHostAccepts) {
    ScriptedHost host({kLoginCheckAccepted});
    prompter_.DriveDialog("Login", [](ui::PromptedDialog& dialog) {
        EXPECT_EQ(dialog.ControlText(kVaultNameControl), u"Demo Vault");
        EXPECT_EQ(dialog.ControlText(kFailureControl), u"");
        TypeAndPressOk(dialog, u"Alice", u"wonderland");
        EXPECT_TRUE(dialog.IsEnded());
    });
    EXPECT_EQ(pruvane::RunLoginDialog(nullptr, &host), kLoginDialogAccepted);
    ASSERT_EQ(host.checks.size(), 1u);
    EXPECT_EQ(host.checks[0], std::make_pair(std::u16string(u"Alice"), std::u16string(u"wonderland")));
}

TEST_F(PruvaneLoginDialogTest, AWrongPasswordIsSaidAndTheUserTriesAgain) {
    ScriptedHost host({kLoginCheckWrongCredentials, kLoginCheckAccepted});
    prompter_.DriveDialog("Login", [](ui::PromptedDialog& dialog) {
        TypeAndPressOk(dialog, u"Alice", u"wrong");
        ASSERT_FALSE(dialog.IsEnded());
        EXPECT_EQ(dialog.ControlText(kFailureControl), pruvane::kWrongCredentialsText);
        EXPECT_EQ(dialog.ControlText(kPasswordControl), u"") << "the wrong password is cleared";
        EXPECT_EQ(dialog.ControlText(kUserNameControl), u"Alice") << "the user name stays";
        EXPECT_TRUE(dialog.SetControlText(kPasswordControl, u"wonderland"));
        EXPECT_TRUE(dialog.PressButton(IDOK));
        EXPECT_TRUE(dialog.IsEnded());
    });
    EXPECT_EQ(pruvane::RunLoginDialog(nullptr, &host), kLoginDialogAccepted);
    ASSERT_EQ(host.checks.size(), 2u);
    EXPECT_EQ(host.checks[0].second, u"wrong");
    EXPECT_EQ(host.checks[1].second, u"wonderland");
}

TEST_F(PruvaneLoginDialogTest, CheckOutcomesEndTheDialogWithTheLibrarysResults) {
    struct Case {
        int check;
        int expected;
    } const cases[] = {
        {kLoginCheckDatabaseFailure, kLoginDialogDatabaseFailure},
        {kLoginCheckFailed, kLoginDialogFailed},  // the host has shown why
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.check);
        ScriptedHost host({c.check});
        prompter_.DriveDialog("Login", [](ui::PromptedDialog& dialog) { TypeAndPressOk(dialog, u"Alice", u"x"); });
        EXPECT_EQ(pruvane::RunLoginDialog(nullptr, &host), c.expected);
    }
}

TEST_F(PruvaneLoginDialogTest, CancelChecksNothing) {
    ScriptedHost host({});
    prompter_.DriveDialog("Login", [](ui::PromptedDialog& dialog) {
        EXPECT_TRUE(dialog.SetControlText(kUserNameControl, u"Alice"));
        EXPECT_TRUE(dialog.PressButton(IDCANCEL));
    });
    EXPECT_EQ(pruvane::RunLoginDialog(nullptr, &host), kLoginDialogCancelled);
    EXPECT_TRUE(host.checks.empty());
}

TEST_F(PruvaneLoginDialogTest, WithoutAHostNothingIsShown) {
    EXPECT_EQ(pruvane::RunLoginDialog(nullptr, nullptr), kLoginDialogFailed);
}

// Renders the dialog after a wrong password to a PNG beside the tests, to be
// looked at (not compared).
TEST_F(PruvaneLoginDialogTest, Screenshot) {
    ScriptedHost host({kLoginCheckWrongCredentials});
    const std::filesystem::path file = std::filesystem::current_path() / "pruvane_login_dialog.png";
    prompter_.DriveDialog("Login", [&](ui::PromptedDialog& dialog) {
        TypeAndPressOk(dialog, u"Alice", u"wrong");
        EXPECT_TRUE(dialog.SetControlText(kPasswordControl, u"secret"));
        auto& window = dynamic_cast<ui::Dialog&>(dialog);
        ASSERT_NE(window.Widget(), nullptr);
        window.Widget()->adjustSize();
        const QImage image = window.Widget()->grab().toImage();
        EXPECT_GT(image.width(), 200);
        EXPECT_TRUE(image.save(QString::fromStdString(file.string()), "PNG"));
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(pruvane::RunLoginDialog(nullptr, &host), kLoginDialogCancelled);
    EXPECT_TRUE(std::filesystem::exists(file));
}

}  // namespace
