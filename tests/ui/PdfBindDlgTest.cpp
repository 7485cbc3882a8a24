// The binder dialog: its checks and questions, and a real rendition through it.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "platform/Launcher.h"
#include "platform/RegistryStore.h"
#include "platform/RunContext.h"
#include "platform/ToolLocator.h"
#include "reports/PdfRendition.h"
#include "support/FakeProgress.h"
#include "support/FakePrompter.h"
#include "support/FakeTool.h"
#include "support/RecordingLauncher.h"
#include "support/RunProcess.h"
#include "support/ScopedEnv.h"
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

// Generate shows its progress in "PDF Binder Creation"; Cancel there makes no PDF, asks nothing
// more and leaves no temporaries.
TEST_F(PdfBindDlg, CancelInTheProgressWindow) {
    cPDFBindDlg dialog(nullptr, store_, prompter, {Dir() / "docs/one.txt", Dir() / "docs/two.txt"});
    dialog.OutputField()->setText(QString::fromStdString(Dir() / "c.pdf"));
    test::FakeProgressFactory windows;
    windows.cancelAfterUpdates = 2;
    dialog.SetProgressFactory(&windows);
    EXPECT_FALSE(dialog.Generate());
    EXPECT_EQ(dialog.LastCode(), kPdfCancelled);
    ASSERT_EQ(windows.opened.size(), 1u);
    EXPECT_EQ(windows.opened[0].caption, "PDF Binder Creation");
    EXPECT_TRUE(prompter.shown.empty()) << ::testing::PrintToString(prompter.Texts());
    EXPECT_FALSE(Dir().Exists("c.pdf"));
    EXPECT_EQ(Dir().List("tmp").size(), 0u);
}

// The parent-on-top choice is stored by Generate and read back by the next dialog.
TEST_F(PdfBindDlg, ParentOnTopIsStored) {
    {
        cPDFBindDlg dialog(nullptr, store_, prompter,
                           {Dir() / "docs/one.txt", Dir() / "docs/two.txt"});
        EXPECT_FALSE(dialog.IncludeParentBox()->isChecked());
        dialog.IncludeParentBox()->setChecked(true);
        dialog.OutputField()->setText(QString::fromStdString(Dir() / "p.pdf"));
        prompter.script = {mbr::kNo};
        ASSERT_TRUE(dialog.Generate()) << ::testing::PrintToString(prompter.Texts());
    }
    EXPECT_EQ(store_.GetProfileInt("PDFRendition", "Include Parent as TopLevel", -1), 1);
    cPDFBindDlg again(nullptr, store_, prompter, {});
    EXPECT_TRUE(again.IncludeParentBox()->isChecked());
}

// The sample is shown read-only, and with its files present it passes the syntax check.
TEST_F(PdfBindDlg, SampleIsAValidInputFile) {
    cPDFBindDlg dialog(nullptr, store_, prompter, {});
    QDialog* window = dialog.ViewSample();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(dialog.ViewSample(), window) << "one sample window";
    auto* text = window->findChild<QPlainTextEdit*>();
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->isReadOnly());
    std::string sample = text->toPlainText().toStdString();
    EXPECT_EQ(sample, std::string(kSampleInputText));
    for (size_t at = sample.find("/home/me"); at != std::string::npos;
         at = sample.find("/home/me", at + 1)) {
        sample.replace(at, 8, Dir() / "me");
    }
    Dir().MakeTree({{"me/Documents/report/summary.txt", "s\n"},
                    {"me/Documents/report/chart.png", "c"},
                    {"me/Documents/report/appendix/figures.csv", "1,2\n"},
                    {"me/notes.txt", "n\n"}});
    Dir().WriteFile("sample.txt", sample);
    EXPECT_EQ(ps_CheckInputSyntax(Dir() / "sample.txt"), "");
}

// "Edit Input file" opens the file in the text editor, else with xdg-open; every way it cannot
// is said in a box.
TEST_F(PdfBindDlg, EditInputFileSaysWhyNot) {
    Dir().WriteFile("list.txt", "FILE \"docs/one.txt\"\n");
    Dir().MakeFolder("bin");
    test::ScopedEnv path("PATH", Dir() / "bin");
    const std::string editor = test::MakeFakeTool(Dir(), "editor", "exit 0");
    const std::string opener = Dir() / "bin/xdg-open";
    struct Case {
        std::string input, editor;
        bool hasOpener, startFails;
        std::string launched, said;
    };
    const std::vector<Case> cases = {
        {"", editor, true, false, "", "Input text filename is empty."},
        {Dir() / "none.txt", editor, true, false, "", "doesn't exist."},
        {Dir() / "docs", editor, true, false, "", "doesn't exist."},
        {Dir() / "list.txt", editor, true, false, editor, ""},
        {Dir() / "list.txt", "", true, false, opener, ""},
        {Dir() / "list.txt", "", false, false, "", "No text editor was found"},
        {Dir() / "list.txt", editor, true, true, "", "could not be started"},
    };
    for (const Case& c : cases) {
        ::unlink(opener.c_str());
        if (c.hasOpener) {
            test::MakeFakeTool(Dir(), "bin/xdg-open", "exit 0");
        }
        test::RecordingLauncher launcher;
        if (c.startFails) {
            launcher.defaultResult = test::RecordingLauncher::Failed(ENOENT);
        }
        RunContext::Current().launcher = &launcher;
        RunContext::Current().locateTool = [&c](std::string_view) { return c.editor; };
        cPDFBindDlg dialog(nullptr, store_, prompter, {});
        dialog.InputField()->setText(QString::fromStdString(c.input));
        prompter.shown.clear();
        EXPECT_EQ(dialog.EditInputFile(), c.said.empty()) << c.input;
        if (c.said.empty()) {
            EXPECT_TRUE(prompter.shown.empty()) << ::testing::PrintToString(prompter.Texts());
            ASSERT_EQ(launcher.requests.size(), 1u);
            const std::vector<std::string> argv =
                SplitCommandLine(launcher.requests[0].commandLine);
            EXPECT_EQ(argv, (std::vector<std::string>{c.launched, c.input}));
        } else {
            ASSERT_EQ(prompter.shown.size(), 1u) << c.input;
            EXPECT_NE(prompter.shown[0].text.find(c.said), std::string::npos)
                << prompter.shown[0].text;
            EXPECT_EQ(launcher.requests.size(), c.startFails ? 1u : 0u);
        }
        RunContext::Current().launcher = nullptr;
        RunContext::Current().locateTool = nullptr;
    }
}

}  // namespace
}  // namespace quillon
