// The "Shell-Menu Configuration" dialog: what it opens on and what OK and the reset button store.
#include "ui/ShellMenu.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <string>
#include <vector>

#include "support/FakePrompter.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

using ShellMenuTest = test::StoreFixture;

// The folder verbs open on their keys (not the stored choices), the "Send To" boxes on the stored
// choices with 0 as default; OK stores all seven and puts the entries in place or takes them away.
TEST_F(ShellMenuTest, OpensOnTheStoreAndOkWritesBack) {
    registry_.SetString(RegHive::CurrentUser, "SOFTWARE\\Classes\\Directory\\shell\\Quillon", "",
                        "");
    store_.WriteProfileInt("ShellMenu", "QuillonOnDir", 0);
    store_.WriteProfileInt("ShellMenu", "SearchOnDir", 1);
    store_.WriteProfileInt("ShellMenu", "PanorelSendTo", 1);
    registry_.SetString(RegHive::CurrentUser, "Software\\Marrowby\\Scrivlet\\Settings", "WindowPos",
                        "1,2");
    ShellIntegration shell(registry_,
                           {"/opt/q/quillon", "/usr/bin/meld", "/usr/bin/xdg-open", "", ""},
                           Dir() / "data");
    Dir().WriteFile("data/Thunar/sendto/quillon-panorel.desktop",
                    std::string("old\n") + std::string(kGeneratedMarker) + "\n");
    test::FakePrompter prompter;
    ShellMenu dialog(nullptr, shell, registry_, prompter);
    std::vector<bool> opened;
    for (int i = 0; i < kShellChoiceCount; ++i) {
        opened.push_back(dialog.ChoiceBox(ShellChoice(i))->isChecked());
    }
    EXPECT_EQ(opened, (std::vector<bool>{true, false, false, true, false, false, false}));

    dialog.ResetPositionsButton()->click();
    EXPECT_FALSE(registry_.GetValue(RegHive::CurrentUser, "Software\\Marrowby\\Scrivlet\\Settings",
                                    "WindowPos"));
    dialog.ChoiceBox(ShellChoice::PanorelSendTo)->setChecked(false);
    dialog.ChoiceBox(ShellChoice::MultRenameSendTo)->setChecked(true);
    dialog.ChoiceBox(ShellChoice::ScrivletSendTo)->setChecked(true);
    dialog.accept();

    const std::vector<int> stored = {
        Int("ShellMenu", "QuillonOnDir"),    Int("ShellMenu", "SearchOnDir"),
        Int("ShellMenu", "ScrivletSendTo"),  Int("ShellMenu", "PanorelSendTo"),
        Int("ShellMenu", "SeekwellSendTo"),  Int("ShellMenu", "NybbletSendTo"),
        Int("ShellMenu", "MultRenameSendTo")};
    EXPECT_EQ(stored, (std::vector<int>{1, 0, 1, 0, 0, 0, 1}));
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{});
    EXPECT_EQ(Dir().List("data/Thunar/sendto"),
              (std::vector<std::string>{"quillon-multirename.desktop", "quillon-scrivlet.desktop",
                                        "quillon.desktop"}));
    EXPECT_NE(Dir()
                  .ReadFile("data/Thunar/sendto/quillon-multirename.desktop")
                  .find("\nExec=\"/opt/q/quillon\" -SARename %F\n"),
              std::string::npos);
    EXPECT_EQ(
        registry_
            .GetValue(RegHive::CurrentUser, "SOFTWARE\\Classes\\Drive\\shell\\Quillon\\command", "")
            ->text,
        "\"/opt/q/quillon\" %1");
    EXPECT_TRUE(Dir().Exists("data/nautilus/scripts/Quillon"));
}

}  // namespace
}  // namespace quillon
