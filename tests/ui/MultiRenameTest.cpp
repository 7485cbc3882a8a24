// The rename wizard: its pages keep their options in the settings, show what a rule would do to
// the selected rows, and an OK in the main window renames on disk as one undoable step.
#include <sys/stat.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeWidget>

#include "app/RenameStart.h"
#include "platform/FileSystem.h"
#include "support/ModalDialog.h"
#include "support/WindowFixture.h"
#include "ui/CMultiRename.h"

namespace quillon {
namespace {

class MultiRenameTest : public test::WindowFixture {
  protected:
    MultiRenameSetup Setup(const std::vector<std::string>& names) {
        MultiRenameSetup setup;
        for (const std::string& name : names) {
            setup.entries.push_back({dir_ / "L", name, true});
        }
        setup.fs = &RealFileSystem();
        setup.prompter = &prompter_;
        setup.store = &store_;
        return setup;
    }
    // Ctrl+F2 (the left pane) on the selected rows, with `act` run on the wizard once it shows.
    void RenameLeft(const std::vector<std::string>& names, std::function<void(CMultiRename&)> act) {
        std::vector<int> rows;
        for (const std::string& name : names) {
            rows.push_back(RowOf(name));
        }
        View().SelectRows(rows);
        test::WhenModal([act](QDialog& dialog) { act(static_cast<CMultiRename&>(dialog)); });
        Key(Qt::Key_F2, Qt::ControlModifier);
    }
    static void Type(QLineEdit* field, const QString& text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    }
};

// What the user set on a page comes back in a new wizard, which opens on the page of the last
// OK; a stored page number out of range opens the first page.
TEST_F(MultiRenameTest, PageOptionsComeBackFromTheSettings) {
    dir_.MakeTree({{"L/x_1.txt", ""}, {"L/y_2.txt", ""}});
    {
        CMultiRename wizard(nullptr, Setup({"x_1.txt", "y_2.txt"}));
        wizard.SetCurrentPage(3);
        auto* page = static_cast<CMultRenamePartialDelim*>(wizard.Page(3));
        page->Mode(1)->click();
        page->Count(1)->setValue(2);
        Type(page->Delimiter(1), ".");
        Type(page->TextField(), "_new");
        EXPECT_EQ(page->Ordinal(1)->text(), "nd");
        wizard.accept();
        EXPECT_EQ(wizard.result(), QDialog::Accepted);
    }
    EXPECT_TRUE(dir_.Exists("L/x_1.txt"));  // ".txt" holds one '.', two are needed
    CMultiRename again(nullptr, Setup({"x_1.txt"}));
    EXPECT_EQ(again.CurrentPage(), 3);
    auto* page = static_cast<CMultRenamePartialDelim*>(again.Page(3));
    EXPECT_TRUE(page->Mode(1)->isChecked());
    EXPECT_EQ(page->Count(1)->value(), 2);
    EXPECT_FALSE(page->Count(0)->isEnabled());
    EXPECT_EQ(page->Delimiter(1)->text(), ".");
    EXPECT_EQ(page->TextField()->text(), "_new");

    store_.WriteProfileInt("MultiRenamePP", "LastPP", 7);
    EXPECT_EQ(CMultiRename(nullptr, Setup({"x_1.txt"})).CurrentPage(), 1);
}

// The result box follows every edit: the prefix typed on page 1 shows for both selected rows, an
// illegal character is taken out with its message, and switching to the suffix mode shows that
// mode's own text.
TEST_F(MultiRenameTest, SimulatedResultFollowsTheFieldsForTheSelection) {
    dir_.MakeTree({{"L/a.txt", "a"}, {"L/b", "b"}, {"R/", ""}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    std::string shown;
    std::string afterSuffix;
    QString field;
    RenameLeft({"a.txt", "b"}, [&](CMultiRename& wizard) {
        wizard.SetCurrentPage(1);
        auto* page = static_cast<CMultRenameAdd2Existing*>(wizard.Page(1));
        page->Mode(0)->click();
        Type(page->TextField(), "P:_");
        field = page->TextField()->text();
        shown = page->ResultBox()->toPlainText().toStdString();
        page->Mode(1)->click();
        Type(page->TextField(), "_s");
        afterSuffix = page->SimulatedText();
        wizard.reject();
    });
    EXPECT_EQ(field, "P_");
    EXPECT_EQ(shown, "\"a.txt\"\t--->\"P_a.txt\"\n\"b\"\t--->\"P_b\"\n");
    EXPECT_EQ(afterSuffix, "\"a.txt\"\t--->\"a_s.txt\"\r\n\"b\"\t--->\"b_s\"\r\n");
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_NE(prompter_.shown[0].text.find("\\/:*?\"<>|"), std::string::npos);
    EXPECT_TRUE(dir_.Exists("L/a.txt"));  // Cancel renames nothing
}

// OK renames on disk through the view's journal; the renamed rows are selected, and one Ctrl+Z
// puts every name back. A mix of files and folders never opens the wizard.
TEST_F(MultiRenameTest, OkRenamesAndOneUndoRestoresThePass) {
    dir_.MakeTree({{"L/a.txt", "a"}, {"L/b.txt", "b"}, {"L/c.txt", "c"}, {"L/d/", ""}, {"R/", ""}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    View().Doc().Journal().enabled = true;
    RenameLeft({"a.txt", "b.txt"}, [&](CMultiRename& wizard) {
        wizard.SetCurrentPage(2);
        auto* page = static_cast<CMultRenameNewNameExt*>(wizard.Page(2));
        page->Mode(0)->click();
        Type(page->TextField(), "n");
        Type(page->NumberField(), "1");
        wizard.OkButton()->click();
    });
    EXPECT_EQ(dir_.ReadFile("L/n1.txt"), "a");
    EXPECT_EQ(dir_.ReadFile("L/n2.txt"), "b");
    EXPECT_FALSE(dir_.Exists("L/a.txt"));
    EXPECT_EQ(View().SelectedRows(), (std::vector<int>{RowOf("n1.txt"), RowOf("n2.txt")}));
    EXPECT_EQ(View().Doc().Journal().undoList.size(), 1u);
    EXPECT_EQ(Int("MultiRenamePP", "LastPP"), 1);

    Activate();
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(dir_.ReadFile("L/a.txt"), "a");
    EXPECT_EQ(dir_.ReadFile("L/b.txt"), "b");
    EXPECT_FALSE(dir_.Exists("L/n1.txt") || dir_.Exists("L/n2.txt"));
    EXPECT_NE(RowOf("a.txt"), -1);
    EXPECT_EQ(RowOf("n1.txt"), -1);
    ExpectConsistent();

    prompter_.shown.clear();
    bool opened = false;
    RenameLeft({"c.txt", "d"}, [&](CMultiRename& wizard) {
        opened = true;
        wizard.reject();
    });
    QApplication::processEvents();
    EXPECT_FALSE(opened);
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{kMixedSelectionText});
}

struct FieldCase {
    const char* why;
    int page;
    std::function<QLineEdit*(CMultiRename&)> field;  // also picks the mode and sets what it needs
    const char* typed;
    const char* kept;
    std::string message;  // the start of the one message shown, or empty for none
};

// Every edited field runs its page's rule as it is typed: what a name cannot hold is taken out
// with its message, a delimiter stays one character, an old string is taken as typed, and a new
// pattern holds a '*' only when the existing one does.
TEST_F(MultiRenameTest, FieldRulesRunAsTheUserTypes) {
    auto page = [](CMultiRename& w, int number) {
        w.SetCurrentPage(number);
        return w.Page(number);
    };
    const std::string illegal =
        "A file name can't contain any of the following characters:\n\t\\/:*?\"<>|";
    const FieldCase cases[] = {
        {"suffix", 1,
         [&](CMultiRename& w) {
             auto* p = static_cast<CMultRenameAdd2Existing*>(page(w, 1));
             p->Mode(1)->click();
             return p->TextField();
         },
         "ab:c", "abc", illegal},
        {"extension", 2,
         [&](CMultiRename& w) {
             auto* p = static_cast<CMultRenameNewNameExt*>(page(w, 2));
             p->Mode(1)->click();
             return p->TextField();
         },
         "t?xt", "txt", illegal},
        {"delimiter", 3,
         [&](CMultiRename& w) {
             return static_cast<CMultRenamePartialDelim*>(page(w, 3))->Delimiter(0);
         },
         "-+", "-", kOneCharacterText},
        {"new word", 4,
         [&](CMultiRename& w) {
             return static_cast<CMultRenameChangeSpecificWord*>(page(w, 4))->NewField();
         },
         "a|b", "ab", illegal},
        {"old word", 4,
         [&](CMultiRename& w) {
             return static_cast<CMultRenameChangeSpecificWord*>(page(w, 4))->OldField(0);
         },
         "a:b", "a:b", ""},
        {"star without one in the pattern", 5,
         [&](CMultiRename& w) {
             auto* p = static_cast<CMultRenameChangePattern*>(page(w, 5));
             Type(p->PatternField(), "abc");
             return p->NewPatternField();
         },
         "x*y", "xy", kNewPatternStarText},
        {"star with one in the pattern", 5,
         [&](CMultiRename& w) {
             auto* p = static_cast<CMultRenameChangePattern*>(page(w, 5));
             Type(p->PatternField(), "a*");
             return p->NewPatternField();
         },
         "*>", "*", "A file name can't contain any of the following characters:\n\t\\/:?\"<>|"},
    };
    dir_.MakeTree({{"L/a_b.txt", ""}});
    for (const FieldCase& c : cases) {
        prompter_.shown.clear();
        CMultiRename wizard(nullptr, Setup({"a_b.txt"}));
        QLineEdit* field = c.field(wizard);
        Type(field, c.typed);
        EXPECT_EQ(field->text().toStdString(), c.kept) << c.why;
        if (c.message.empty()) {
            EXPECT_TRUE(prompter_.shown.empty()) << c.why;
        } else {
            ASSERT_EQ(prompter_.shown.size(), 1u) << c.why;
            EXPECT_EQ(prompter_.shown[0].text.rfind(c.message, 0), 0u) << c.why;
        }
    }
}

struct CheckCase {
    const char* why;
    std::vector<std::string> names;
    std::function<void(CMultiRename&)> set;
    std::string message;  // a part of the one message shown
};

// A check that fails on OK says why, renames nothing and keeps the wizard open.
TEST_F(MultiRenameTest, RefusedChecksKeepTheWizardOpen) {
    const CheckCase cases[] = {
        {"no old string",
         {"a.txt"},
         [](CMultiRename& w) { w.SetCurrentPage(4); },
         kOldStringEmptyText},
        {"no pattern", {"a.txt"}, [](CMultiRename& w) { w.SetCurrentPage(5); }, kPatternEmptyText},
        {"no extension",
         {"a.txt"},
         [](CMultiRename& w) {
             w.SetCurrentPage(2);
             static_cast<CMultRenameNewNameExt*>(w.Page(2))->Mode(1)->click();
         },
         kExtensionEmptyText},
        {"same base name",
         {"a.txt", "a.doc"},
         [](CMultiRename& w) {
             w.SetCurrentPage(2);
             auto* p = static_cast<CMultRenameNewNameExt*>(w.Page(2));
             p->Mode(1)->click();
             Type(p->TextField(), "bak");
         },
         "\na.doc\n"},
    };
    dir_.MakeTree({{"L/a.txt", "t"}, {"L/a.doc", "d"}});
    for (const CheckCase& c : cases) {
        prompter_.shown.clear();
        CMultiRename wizard(nullptr, Setup(c.names));
        wizard.show();
        c.set(wizard);
        wizard.OkButton()->click();
        EXPECT_TRUE(wizard.isVisible()) << c.why;
        ASSERT_EQ(prompter_.shown.size(), 1u) << c.why;
        EXPECT_NE(prompter_.shown[0].text.find(c.message), std::string::npos) << c.why;
        EXPECT_EQ(dir_.List("L"), (std::vector<std::string>{"a.doc", "a.txt"})) << c.why;
    }
}

// A target that exists and is not selected: the question is asked once; answered No (do not
// skip), the target is moved aside, and Ctrl+Z brings back both the item and the old target.
// Folders are renamed whole: the suffix goes after "notes.old".
TEST_F(MultiRenameTest, OverwriteInTheViewIsUndoneWithTheTarget) {
    dir_.MakeTree({{"L/a.txt", "a"},
                   {"L/b.txt", "b"},
                   {"L/a_x.txt", "old"},
                   {"L/notes.old/", ""},
                   {"L/misc/", ""},
                   {"R/", ""}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    View().Doc().Journal().enabled = true;
    auto suffix = [this](CMultiRename& wizard) {
        wizard.SetCurrentPage(1);
        auto* page = static_cast<CMultRenameAdd2Existing*>(wizard.Page(1));
        page->Mode(1)->click();
        Type(page->TextField(), "_x");
        wizard.OkButton()->click();
    };
    prompter_.script = {mbr::kNo};
    RenameLeft({"a.txt", "b.txt"}, suffix);
    ASSERT_GE(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text.rfind(kOverwriteQuestionStart, 0), 0u);
    EXPECT_EQ(dir_.ReadFile("L/a_x.txt"), "a");
    EXPECT_EQ(dir_.ReadFile("L/b_x.txt"), "b");
    Activate();
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(dir_.List("L"),
              (std::vector<std::string>{"a.txt", "a_x.txt", "b.txt", "misc/", "notes.old/"}));
    EXPECT_EQ(dir_.ReadFile("L/a_x.txt"), "old");

    QString caption;
    RenameLeft({"misc", "notes.old"}, [&](CMultiRename& wizard) {
        caption = wizard.PageTree()->topLevelItem(0)->text(0);
        suffix(wizard);
    });
    EXPECT_EQ(caption, kRenamingFoldersCaption);
    EXPECT_TRUE(dir_.Exists("L/notes.old_x") && dir_.Exists("L/misc_x"));
    ExpectConsistent();
}

// Page 6: an interval above 500 is refused with its message and the kept value comes back (and
// stays for the next wizard); OK gives every file the picked day, at one moment for all.
TEST_F(MultiRenameTest, TimestampPageKeepsItsIntervalAndSetsThePickedDate) {
    dir_.MakeTree({{"L/a.txt", "a"}, {"L/b.txt", "b"}});
    CMultiRename wizard(nullptr, Setup({"a.txt", "b.txt"}));
    wizard.SetCurrentPage(6);
    auto* page = static_cast<CMultRenameTimestamp*>(wizard.Page(6));
    page->Mode(1)->click();
    // Typed key by key: 6 and 60 are taken, 600 is not.
    Type(page->IntervalField(), "600");
    EXPECT_EQ(page->IntervalField()->text(), "60");
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{kIntervalRangeText});
    EXPECT_EQ(static_cast<CMultRenameTimestamp*>(CMultiRename(nullptr, Setup({"a.txt"})).Page(6))
                  ->IntervalField()
                  ->text(),
              "60");

    page->Mode(0)->click();
    page->DateBox()->setChecked(true);
    page->DatePicker()->setDate(QDate(2001, 2, 3));
    wizard.OkButton()->click();
    struct stat a {};
    struct stat b {};
    ASSERT_EQ(stat((dir_ / "L/a.txt").c_str(), &a), 0);
    ASSERT_EQ(stat((dir_ / "L/b.txt").c_str(), &b), 0);
    EXPECT_EQ(a.st_mtim.tv_sec, b.st_mtim.tv_sec);
    EXPECT_EQ(a.st_mtim.tv_nsec, b.st_mtim.tv_nsec);
    const QDateTime set = QDateTime::fromSecsSinceEpoch(a.st_mtim.tv_sec, Qt::UTC);
    EXPECT_EQ(set.date(), QDate(2001, 2, 3));
    EXPECT_EQ(Int("MultiRenamePP", "LastPP"), 5);
}

// Alone, the wizard lists the files directly in the one folder given, sorted with case folded,
// and renames them in place on OK without keeping any backup.
TEST_F(MultiRenameTest, StandAloneListsTheFolderAndRenamesInPlace) {
    dir_.MakeTree({{"S/b.txt", "b"}, {"S/A.txt", "a"}, {"S/sub/c.txt", "c"}});
    std::string list;
    QString caption;
    test::WhenModal([&](QDialog& dialog) {
        auto& wizard = static_cast<CMultiRename&>(dialog);
        caption = wizard.PageTree()->topLevelItem(0)->text(0);
        wizard.SetCurrentPage(6);
        list = wizard.Page(6)->ResultBox()->toPlainText().toStdString();
        wizard.SetCurrentPage(1);
        auto* page = static_cast<CMultRenameAdd2Existing*>(wizard.Page(1));
        page->Mode(1)->click();
        Type(page->TextField(), "_x");
        wizard.OkButton()->click();
    });
    StartDecision decision;
    decision.outcome = StartOutcome::Rename;
    decision.paths = {dir_ / "S"};
    EXPECT_EQ(RunRenameWizard(CommandLine{}, decision, store_), 0);
    EXPECT_EQ(caption, kRenamingFilesCaption);
    EXPECT_EQ(list, "\"A.txt\"\n\"b.txt\"\n");
    EXPECT_EQ(dir_.List("S"),
              (std::vector<std::string>{"A_x.txt", "b_x.txt", "sub/", "sub/c.txt"}));
    EXPECT_EQ(dir_.ReadFile("S/A_x.txt"), "a");
}

}  // namespace
}  // namespace quillon
