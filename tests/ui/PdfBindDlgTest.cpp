// The binder dialog: its checks and questions, and a real rendition through it.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QRadioButton>

#include "platform/Launcher.h"
#include "platform/RegistryStore.h"
#include "platform/ToolLocator.h"
#include "support/FakePrompter.h"
#include "support/RunProcess.h"
#include "support/StoreFixture.h"
#include "ui/CPdfBindDlg.h"
#include "ui/CPdfFromSingleFile.h"

namespace quillon {
namespace {

class PdfBindDlg : public test::StoreFixture {
  protected:
    void SetUp() override {
        registry_.SetString(RegHive::LocalMachine, std::string(kAppPathsKey) + "\\Panorel.exe", "",
                            QUILLON_CONVERTER);
        registry_.SetDword(RegHive::CurrentUser, "Software\\Marrowby\\Quillon\\PDFRendition",
                           "GenerateTOC", 1);
        Dir().MakeTree({{"docs/one.txt", "first\n"}, {"docs/two.txt", "second\n"}});
    }
    test::FakePrompter prompter;
};

// Wrong fields are collected into one message and nothing is rendered.
TEST_F(PdfBindDlg, ChecksBeforeRendering) {
    struct Case {
        bool inputMode;
        std::string output, input;
        std::vector<std::string> says;
    };
    const std::vector<Case> cases = {
        {false, "", "", {"Please check \"Output PDF filename\"", "Due to the above error(s)"}},
        {false, Dir() / "docs", "", {"Please check \"Output PDF filename\""}},
        {true, Dir() / "o.pdf", Dir() / "none.txt", {"Please check \"Input Text file\""}},
    };
    for (const Case& c : cases) {
        cPDFBindDlg dialog(nullptr, store_, prompter, {Dir() / "docs/one.txt"});
        dialog.OutputField()->setText(QString::fromStdString(c.output));
        dialog.InputField()->setText(QString::fromStdString(c.input));
        dialog.InputChoice()->setChecked(c.inputMode);
        prompter.shown.clear();
        EXPECT_FALSE(dialog.Generate());
        ASSERT_EQ(prompter.shown.size(), 1u) << c.output;
        for (const std::string& said : c.says) {
            EXPECT_NE(prompter.shown[0].text.find(said), std::string::npos)
                << prompter.shown[0].text;
        }
    }
    EXPECT_FALSE(Dir().Exists("o.pdf"));
}

// The list renders into one PDF; an existing output is replaced only after a Yes; the output
// folder is remembered.
TEST_F(PdfBindDlg, RendersTheListAfterTheQuestions) {
    Dir().WriteFile("out/b.pdf", "old");
    cPDFBindDlg dialog(nullptr, store_, prompter, {Dir() / "docs/one.txt", Dir() / "docs/two.txt"});
    dialog.OutputField()->setText(QString::fromStdString(Dir() / "out/b.pdf"));
    prompter.script = {mbr::kNo};
    EXPECT_FALSE(dialog.Generate());
    EXPECT_EQ(ReadText(Dir() / "out/b.pdf"), "old");
    prompter.script = {mbr::kYes, mbr::kNo};
    prompter.shown.clear();
    ASSERT_TRUE(dialog.Generate()) << ::testing::PrintToString(prompter.Texts());
    EXPECT_EQ(
        prompter.shown.back().text,
        "Rendering to PDF was successful.\nWould you like to open \"" + Dir() / "out/b.pdf" + "\"");
    const std::string info =
        test::RunProcess(FindOnSearchPath("pdfinfo", "/usr/bin:/bin"), {Dir() / "out/b.pdf"}).out;
    ASSERT_NE(info.find("Pages:"), std::string::npos) << info;
    EXPECT_EQ(std::atoi(info.c_str() + info.find("Pages:") + 6), 2) << info;
    EXPECT_EQ(store_.GetProfileString("PDFRendition", "OutputPath"), Dir() / "out");
}

// An input text file with a syntax error shows that line and renders nothing.
TEST_F(PdfBindDlg, SyntaxErrorStopsTheRun) {
    Dir().WriteFile("list.txt", "NODE a\nFILE \"docs/one.txt\"\nWHAT now\n");
    cPDFBindDlg dialog(nullptr, store_, prompter, {});
    dialog.OutputField()->setText(QString::fromStdString(Dir() / "s.pdf"));
    dialog.InputField()->setText(QString::fromStdString(Dir() / "list.txt"));
    dialog.InputChoice()->setChecked(true);
    EXPECT_FALSE(dialog.Generate());
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Line #3: WHAT now\n\tUnknown syntax.\n"});
    EXPECT_FALSE(Dir().Exists("s.pdf"));
}

// One file goes straight to PDF through the converter; its text stays searchable. A bad output
// name is refused before anything runs, and a failed conversion says which file is missing.
TEST_F(PdfBindDlg, SingleFileRendition) {
    ProcessLauncher launcher;
    struct Case {
        std::string source, output, said;
    };
    const std::vector<Case> cases = {
        {"docs/one.txt", Dir() / "single/one.pdf", "Rendering to PDF was successful."},
        {"docs/one.txt", Dir() / "docs", "Please check \"Output PDF filename\""},
        {"docs/none.txt", Dir() / "none.pdf", "Rendering PDF failed to create the following file:"},
    };
    Dir().MakeFolder("single");
    for (const Case& c : cases) {
        cPDFFromSingleFile dialog(nullptr, store_, prompter, launcher, Dir() / c.source);
        dialog.OutputField()->setText(QString::fromStdString(c.output));
        prompter.shown.clear();
        prompter.script = {mbr::kNo};
        dialog.accept();
        ASSERT_EQ(prompter.shown.size(), 1u) << c.source;
        EXPECT_EQ(prompter.shown[0].text.rfind(c.said, 0), 0u) << prompter.shown[0].text;
    }
    const std::string text = test::RunProcess(FindOnSearchPath("pdftotext", "/usr/bin:/bin"),
                                              {Dir() / "single/one.pdf", "-"})
                                 .out;
    EXPECT_NE(text.find("first"), std::string::npos) << text;
    EXPECT_FALSE(Dir().Exists("none.pdf"));
}

}  // namespace
}  // namespace quillon
