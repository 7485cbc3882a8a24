// "My Favorite Applications": the user's list of up to ten programs to open a file with. The list
// is saved as soon as it changes; OK hands back the chosen entry, with the file argument added
// when the entry has none.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace quillon {

class Prompter;
class SettingsStore;

class CFavoriteApps : public QDialog {
    Q_OBJECT

  public:
    // Without a store the list starts empty and nothing is saved.
    CFavoriteApps(QWidget* parent, SettingsStore* store, Prompter& prompter);

    QListWidget* List() const { return list_; }
    QPushButton* AddButton() const { return add_; }
    QPushButton* RemoveButton() const { return remove_; }
    const std::vector<std::string>& Apps() const { return apps_; }
    // The entry chosen by OK, "%1" in it.
    const std::string& Chosen() const { return chosen_; }

    // Replaceable for tests: the program chooser -> a path or empty.
    void SetProgramChooser(std::function<QString()> chooser) { chooser_ = std::move(chooser); }

    void AddApplication();
    void RemoveSelected();
    void accept() override;

  private:
    void Save();
    void Fill(int select);
    void Tell(const std::string& text);

    SettingsStore* store_;
    Prompter& prompter_;
    std::vector<std::string> apps_;
    std::string chosen_;
    QListWidget* list_;
    QPushButton* add_;
    QPushButton* remove_;
    std::function<QString()> chooser_;
};

}  // namespace quillon
