#include "ui/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QVBoxLayout>
#include <vector>

#include "core/AutoRefresh.h"
#include "core/DisplayFilter.h"
#include "platform/Launcher.h"
#include "platform/Log.h"
#include "platform/SettingsCatalogue.h"
#include "platform/SettingsStore.h"
#include "reports/PdfRendition.h"
#include "reports/TextReport.h"
#include "ui/CDropCombo.h"
#include "ui/CFilter.h"
#include "ui/CMessageBoxDialog.h"
#include "ui/COptionsChange.h"
#include "ui/COutputFormat.h"
#include "ui/CPdfBindDlg.h"
#include "ui/CPdfFromSingleFile.h"
#include "ui/CProgressWnd.h"
#include "ui/CQuillonView.h"
#include "ui/CReplaceDialogs.h"
#include "ui/CTimerInterval.h"
#include "ui/CUndoHistory.h"
#include "ui/CWhichViewQuestion.h"
#include "ui/ClipboardFiles.h"
#include "ui/ComparisonPrint.h"
#include "ui/CopyCommands.h"
#include "ui/DiffListModel.h"
#include "ui/FileCommands.h"
#include "ui/MultiRenameCommand.h"
#include "ui/PaneCommands.h"
#include "ui/PaneTransfer.h"
#include "ui/QtTimerPort.h"
#include "ui/TabHeld.h"

namespace quillon {

namespace {

std::string FormatText(const char* format, const std::string& value) {
    int needed = std::snprintf(nullptr, 0, format, value.c_str());
    std::string text(static_cast<size_t>(std::max(needed, 0)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, value.c_str());
    return text;
}

std::string TrimBlanks(const std::string& text) {
    const char* blanks = " \t\r\n\v\f";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace

namespace {

FrameServices WithPrompter(Prompter* prompter) {
    FrameServices services;
    services.prompter = prompter;
    return services;
}

}  // namespace

CMainFrame::CMainFrame(SettingsStore* store, Prompter* prompter, QWidget* parent)
    : CMainFrame(store, WithPrompter(prompter), parent) {}

CMainFrame::CMainFrame(SettingsStore* store, const FrameServices& services, QWidget* parent)
    : QMainWindow(parent), store_(store), prompter_(services.prompter) {
    if (!prompter_) {
        ownPrompter_ = std::make_unique<MessageBoxPrompter>(this, store_);
        prompter_ = ownPrompter_.get();
    }
    ProgressFactory* progress = services.progress;
    if (!progress) {
        ownProgressFactory_ = std::make_unique<CProgressFactory>(this, store_);
        progress = ownProgressFactory_.get();
    }
    progressFactory_ = progress;
    replaceAsker_ = services.replaceAsker;
    if (!replaceAsker_) {
        ownReplaceAsker_ = std::make_unique<QtReplaceAsker>(this);
        replaceAsker_ = ownReplaceAsker_.get();
    }
    tabHeld_ = new TabHeldFilter(this);
    view_ = new CQuillonView(store_, prompter_, this);
    view_->GetComparison().SetProgressFactory(progress);
    transfer_ = new PaneTransfer(
        *view_, *prompter_, *replaceAsker_,
        {[this](const std::string& question) { return AskWhichSide(2, false, true, question); },
         [this](int side, const std::string& folder) {
             view_->Doc().SetNext(FillingSide(side));
             if (OpenPath(folder)) {
                 AddPathToCombo(folder, side);
             }
         },
         [this] { UpdateCommandStates(); }});
    StartAutoRefresh(services.clock);

    BuildPathBar();
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QWidget(central);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(0, 2, 0, 2);
    barLayout->setSpacing(0);
    barLayout->addWidget(combos_[0], 1);
    barLayout->addWidget(combos_[1], 1);
    barLayout->addStretch(0);
    layout->addWidget(bar);
    layout->addWidget(view_, 1);
    setCentralWidget(central);

    for (int side = 0; side < 2; ++side) {
        statusPaths_[side] = new QLabel(this);
        statusPaths_[side]->setFrameShape(QFrame::Panel);
        statusPaths_[side]->setFrameShadow(QFrame::Sunken);
        statusBar()->addPermanentWidget(statusPaths_[side], 1);
    }
    connect(view_, &CQuillonView::statusPathsChanged, this,
            [this](const QString& left, const QString& right) {
                statusPaths_[0]->setText(left);
                statusPaths_[1]->setText(right);
            });
    connect(view_, &CQuillonView::statusPaneCleared, this,
            [this](int side) { statusPaths_[side]->clear(); });
    connect(view_, &CQuillonView::exitRequested, this, [this] {
        PauseAutoRefresh();
        close();
    });
    connect(view_, &CQuillonView::batchUpdate, this, [this](bool begin) {
        combos_[0]->setUpdatesEnabled(!begin);
        combos_[1]->setUpdatesEnabled(!begin);
    });
    connect(view_, &CQuillonView::halfWidthChanged, this, &CMainFrame::LayoutBars);
    connect(view_, &CQuillonView::nameEdited, this,
            [this](DiffItem* item, int side, const QString& text) {
                RunRename(*view_, *item, side, text.toStdString(), *prompter_);
                UpdateCommandStates();
            });

    BuildMenus();
    paneCommands_ = new PaneCommands(*this, store_, *prompter_, progressFactory_);
    paneCommands_->SetPdfRenderer([this](int pane) { OnRenderPdf(pane); });
    view_->Tools().SetFileOpener(
        [this](const std::vector<std::string>& files) { return paneCommands_->OpenFiles(files); });
    UpdateCommandStates();
    setWindowTitle(TitleText());
    resize(1000, 640);
    view_->setFocus();
}

CMainFrame::~CMainFrame() {
    // The view's comparison calls back into the frame's timer hooks while it is torn down.
    if (autoRefresh_) {
        autoRefresh_->SetWindowExists(false);
    }
    view_->GetComparison().SetAutoRefreshHooks({});
    view_->GetComparison().SetProgressFactory(nullptr);
    // The view's rows go after this destructor has run, and their selection signals must not
    // reach a frame that is only a QWidget by then.
    if (view_->selectionModel() != nullptr) {
        view_->selectionModel()->disconnect(this);
    }
}

void CMainFrame::StartAutoRefresh(const RefreshClock* clock) {
    if (!store_) {
        return;
    }
    if (!clock) {
        ownClock_ = std::make_unique<SystemRefreshClock>();
        clock = ownClock_.get();
    }
    timerPort_ = new QtTimerPort(
        [this](uint32_t id) {
            if (autoRefresh_) {
                autoRefresh_->OnTimer(id);
            }
        },
        this);
    autoRefresh_ = std::make_unique<AutoRefreshTimer>(*store_, *timerPort_, *clock, prompter_);
    AutoRefreshTimer::Target target;
    target.countBothSidedFileRows = [this] {
        return view_->Doc().GetRefresh().CountBothSidedFileRows();
    };
    target.autoRefresh = [this] { view_->Doc().GetRefresh().AutoRefresh(); };
    autoRefresh_->SetTarget(std::move(target));
    view_->GetComparison().SetAutoRefreshHooks(autoRefresh_->Hooks());
    autoRefresh_->Start();
}

void CMainFrame::BuildPathBar() {
    for (int side = 0; side < 2; ++side) {
        auto* combo = new CDropCombo(this);
        combos_[side] = combo;
        combo->lineEdit()->setMaxLength(kPathBoxMaxChars);
        combo->SetFileRejected([this](const std::string& text) { ShowError(text); });
        connect(combo, &CDropCombo::enterPressed, this, [this, side] { OnComboEnter(side); });
        connect(combo, &QComboBox::activated, this,
                [this, side](int index) { OnComboChosen(side, index); });
    }
}

void CMainFrame::BuildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    const char* browseTexts[2] = {"Open Folder in &Left-view", "Open Folder in &Right-view"};
    const char* reloadTexts[2] = {"Reload Left-view", "Reload Right-view"};
    for (int side = 0; side < 2; ++side) {
        file->addAction(browseTexts[side], this, [this, side] { BrowseFolder(side); });
    }
    for (int side = 0; side < 2; ++side) {
        reloadActions_[side] =
            file->addAction(reloadTexts[side], this, [this, side] { ReloadSide(side); });
    }
    connect(file, &QMenu::aboutToShow, this, [this] {
        for (int side = 0; side < 2; ++side) {
            reloadActions_[side]->setEnabled(CanReload(side));
        }
    });
    file->addSeparator();
    QAction* reset = file->addAction("Rese&t", this, [this] {
        view_->ResetComparison();
        for (CDropCombo* combo : combos_) {
            combo->setCurrentIndex(-1);
            combo->setEditText(QString());
            combo->RememberCurrent();
        }
    });
    reset->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    file->addSeparator();
    saveOutputAction_ =
        file->addAction(kMenuSaveOutputAsText, this, [this] { OnSaveOutputAsText(); });
    BuildPrintCommands(file);
    file->addSeparator();
    file->addAction("E&xit", this, [this] { close(); });

    BuildEditMenu();

    QMenu* view = menuBar()->addMenu("&View");
    QAction* refresh =
        view->addAction("&Refresh", this, [this] { view_->Doc().GetRefresh().AutoRefresh(); });
    refresh->setShortcut(QKeySequence(Qt::Key_F5));
    QAction* rescan = view->addAction("Res&can Folders", this,
                                      [this] { view_->Doc().GetRefresh().ReloadComparison(); });
    rescan->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F5));
    view->addSeparator();
    includeFoldersAction_ = view->addAction("&Include Folders to Diffs");
    includeFoldersAction_->setCheckable(true);
    includeFoldersAction_->setChecked(view_->Settings().includeFoldersForDiffs);
    connect(includeFoldersAction_, &QAction::toggled, this, [this](bool on) {
        view_->Settings().includeFoldersForDiffs = on;
        if (store_) {
            WriteSetting(*store_, settings::kIncludeFoldersForDiffs, on ? 1 : 0);
        }
    });
    QAction* grid = view->addAction("&Grid Lines");
    grid->setCheckable(true);
    grid->setChecked(view_->Settings().gridlines);
    connect(grid, &QAction::toggled, this, [this](bool on) {
        view_->Settings().gridlines = on;
        view_->setShowGrid(on);
        if (store_) {
            WriteSetting(*store_, settings::kGridlinesEnabled, on ? 1 : 0);
        }
    });
    view->addSeparator();
    filterAction_ = view->addAction(kMenuFilter, this, [this] { OnFilter(); });
    filterAction_->setShortcut(QKeySequence(Qt::Key_F3));
    view->addSeparator();
    // Commands of the window: they move the list's selection wherever the focus is.
    struct Nav {
        const char* text;
        QKeySequence key;
        NavTarget target;
    };
    const Qt::KeyboardModifiers ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
    const Nav navs[] = {
        {"&Next Diff", Qt::ALT | Qt::Key_Down, NavTarget::kNextDiff},
        {"&Prev Diff", Qt::ALT | Qt::Key_Up, NavTarget::kPrevDiff},
        {"N&ext Any Diff Item", ctrlAlt | Qt::Key_Down, NavTarget::kNextAny},
        {"Pre&v Any Diff Item", ctrlAlt | Qt::Key_Up, NavTarget::kPrevAny},
        {"&First Diff", Qt::ALT | Qt::Key_Home, NavTarget::kFirstDiff},
        {"&Last Diff", Qt::ALT | Qt::Key_End, NavTarget::kLastDiff},
        {"First Any Diff Ite&m", ctrlAlt | Qt::Key_Home, NavTarget::kFirstAny},
        {"Last Any Diff Item", ctrlAlt | Qt::Key_End, NavTarget::kLastAny},
    };
    for (const Nav& nav : navs) {
        NavTarget target = nav.target;
        QAction* action = view->addAction(nav.text, this, [this, target] {
            view_->Navigate(target);
            FocusList();
        });
        action->setShortcut(nav.key);
    }

    QMenu* action = menuBar()->addMenu("&Action");
    QAction* setRoot = action->addAction("Set as a &Root", this, [this] { SetAsRoot(); });
    setRoot->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Insert), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    // "Make current folder to root" has no menu text: a key per side, on the window itself.
    const QKeySequence rootKeys[2] = {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Left),
                                      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Right)};
    for (int side = 0; side < 2; ++side) {
        auto* makeRoot = new QAction(this);
        makeRoot->setShortcut(rootKeys[side]);
        connect(makeRoot, &QAction::triggered, this, [this, side] {
            MakeCurrentFolderRoot(side);
            FocusList();
        });
        addAction(makeRoot);
    }
    action->addSeparator();
    const QKeySequence copyKeys[2] = {QKeySequence(Qt::ALT | Qt::Key_Left),
                                      QKeySequence(Qt::ALT | Qt::Key_Right)};
    for (int destination : {kSideRight, kSideLeft}) {
        copyActions_[destination] =
            action->addAction(kMenuCopyTexts[destination], this,
                              [this, destination] { CopyToOtherPane(destination); });
        copyActions_[destination]->setShortcut(copyKeys[destination]);
    }
    BuildFileCommands(action);
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UpdateCommandStates(); });
    connect(action, &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });
    action->addAction("Render to P&DF...", this, [this] { OnRenderPdf(kAskUser); });
    action->addSeparator();
    linkAction_ = action->addAction("&Link Folders/Files", this, [this] {
        view_->Link().Set(true);
        FocusList();
    });
    linkAction_->setStatusTip("Links two folders/Files");

    QMenu* options = menuBar()->addMenu("&Options");
    preferencesAction_ = options->addAction(kMenuPreferences, this, [this] { OnPreferences(); });
    preferencesAction_->setShortcut(QKeySequence(Qt::Key_F6));
    options->addSeparator();
    enableAutoRefreshAction_ =
        options->addAction(kMenuEnableAutoRefresh, this, [this] { OnEnableAutoRefresh(); });
    disableAutoRefreshAction_ =
        options->addAction(kMenuDisableAutoRefresh, this, [this] { OnDisableAutoRefresh(); });
    refreshIntervalAction_ =
        options->addAction(kMenuRefreshInterval, this, [this] { OnRefreshInterval(); });
    options->addSeparator();
    loggingAction_ = options->addAction(kMenuLogging, this, [this] { OnToggleLogging(); });
    loggingAction_->setCheckable(true);
    connect(options, &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });
}

QAction* CMainFrame::AddKey(const QKeySequence& key, std::function<void()> run) {
    auto* action = new QAction(this);
    action->setShortcut(key);
    connect(action, &QAction::triggered, this, std::move(run));
    addAction(action);
    return action;
}

void CMainFrame::BuildEditMenu() {
    QMenu* edit = menuBar()->addMenu("&Edit");
    undoAction_ = edit->addAction(kMenuUndo, this, [this] { Undo(); });
    undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redoAction_ = edit->addAction(kMenuRedo, this, [this] { Redo(); });
    redoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    availableUndosAction_ =
        edit->addAction(kMenuAvailableUndos, this, [this] { ShowUndoHistory(); });
    availableUndosAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    enableUndoAction_ = edit->addAction(kMenuEnableUndo);
    enableUndoAction_->setCheckable(true);
    connect(enableUndoAction_, &QAction::triggered, this, [this](bool on) { SetUndoEnabled(on); });
    undoInternalsAction_ =
        AddKey(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] { ShowUndoInternals(); });
    edit->addSeparator();
    pasteAction_ = edit->addAction(kMenuPaste, this, [this] { Paste(); });
    pasteAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    AddKey(QKeySequence(Qt::CTRL | Qt::Key_C), [this] { CopyToClipboard(false); });
    AddKey(QKeySequence(Qt::CTRL | Qt::Key_X), [this] { CopyToClipboard(true); });
    connect(edit, &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });
}

void CMainFrame::BuildFileCommands(QMenu* menu) {
    menu->addSeparator();
    deleteAction_ = menu->addAction(kMenuDelete, this, [this] { DeleteRows(kAskUser); });
    // Shift is looked at first: Ctrl+Shift+Delete deletes on the right.
    AddKey(QKeySequence(Qt::Key_Delete), [this] { DeleteRows(kSideBoth); });
    AddKey(QKeySequence(Qt::CTRL | Qt::Key_Delete), [this] { DeleteRows(kSideLeft); });
    AddKey(QKeySequence(Qt::SHIFT | Qt::Key_Delete), [this] { DeleteRows(kSideRight); });
    AddKey(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete), [this] { DeleteRows(kSideRight); });
    renameAction_ = menu->addAction(kMenuRename, this, [this] { RenameInPlace(kAskUser); });
    renameAction_->setShortcut(QKeySequence(Qt::Key_F2));
    AddKey(QKeySequence(Qt::CTRL | Qt::Key_F2), [this] { RenameInPlace(kSideLeft); });
    AddKey(QKeySequence(Qt::SHIFT | Qt::Key_F2), [this] { RenameInPlace(kSideRight); });
    AddKey(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F2), [this] { RenameInPlace(kSideRight); });
    menu->addSeparator();
    for (int side = 0; side < 2; ++side) {
        newFolderActions_[side] =
            menu->addAction(kMenuNewFolderTexts[side], this, [this, side] { NewFolder(side); });
    }
}

bool CMainFrame::TabHeld() const {
    return tabHeld_->Held();
}

void CMainFrame::DeleteRows(int side) {
    // Read before the side question, whose window takes the focus and so forgets the key.
    const bool tabHeld = tabHeld_->Held();
    if (side == kAskUser) {
        side = AskWhichSide(kAskUser, false, true, kAskDeleteSide);
    }
    if (side >= 0) {
        const bool withoutJournal = tabHeld || !view_->Doc().UndoEnabled();
        RunDelete(*view_, side, withoutJournal, *prompter_, progressFactory_);
    }
    UpdateCommandStates();
    FocusList();
}

void CMainFrame::RenameInPlace(int side) {
    if (view_->SelectedRows().size() > 1) {
        MultiRename(side);
        return;
    }
    const int row = view_->SelectedRow();
    const DiffItem* item = view_->Model().ItemAt(row);
    if (!item || item->IsDotDot()) {
        return;
    }
    if (side == kAskUser) {
        side = AskWhichSide(2, true, false, kAskRenameSide);
    }
    if (side == kSideLeft || side == kSideRight) {
        view_->setFocus();
        view_->EditName(row, side);
    }
}

void CMainFrame::MultiRename(int side) {
    if (side == kAskUser) {
        side = AskWhichSide(2, false, false, kAskRenameSide);
    }
    if (side != kSideLeft && side != kSideRight) {
        return;
    }
    const std::vector<DiffItem*> rows = RenameRows(*view_, side);
    if (rows.size() == 1) {
        view_->setFocus();
        view_->EditName(rows.front()->row, side);
        return;
    }
    RunMultiRename(*view_, side, rows, *prompter_, store_);
    UpdateCommandStates();
    FocusList();
}

void CMainFrame::NewFolder(int side) {
    if (side == kAskUser) {
        side = AskWhichSide(2, true, true, kAskNewFolderSide);
    }
    if (side == kSideLeft || side == kSideRight) {
        view_->setFocus();
        RunNewFolder(*view_, side, *prompter_);
    }
    UpdateCommandStates();
}

void CMainFrame::Paste() {
    for (CDropCombo* combo : combos_) {
        if (QApplication::focusWidget() == combo->lineEdit()) {
            combo->lineEdit()->paste();
            return;
        }
    }
    // Without a file list there is nothing to ask about.
    bool cut = false;
    const std::vector<std::string> paths =
        ClipboardFilePaths(QGuiApplication::clipboard()->mimeData(), &cut);
    if (!paths.empty()) {
        const int side = AskWhichSide(2, true, true, kAskPasteSide);
        if ((side == kSideLeft || side == kSideRight) && cut) {
            transfer_->PasteCut(side, paths);
        } else if (side == kSideLeft || side == kSideRight) {
            RunPaste(*view_, side, paths, *prompter_, *replaceAsker_);
        }
    }
    UpdateCommandStates();
    FocusList();
}

void CMainFrame::CopyToClipboard(bool cut) {
    for (CDropCombo* combo : combos_) {
        if (QApplication::focusWidget() == combo->lineEdit()) {
            cut ? combo->lineEdit()->cut() : combo->lineEdit()->copy();
            return;
        }
    }
    transfer_->CopyToClipboard(cut);
    FocusList();
}

void CMainFrame::Undo() {
    RunUndo(*view_, *prompter_);
    UpdateCommandStates();
    FocusList();
}

void CMainFrame::Redo() {
    RunRedo(*view_, *prompter_);
    UpdateCommandStates();
    FocusList();
}

void CMainFrame::ShowUndoHistory() {
    if (view_->Doc().Journal().undoList.empty()) {
        return;
    }
    const int focusRow = FocusRow(*view_);
    CUndoHistory dialog(
        this, view_->Doc(), *prompter_, progressFactory_,
        [this, focusRow](const UndoOutcome& outcome) { FinishUndo(*view_, outcome, focusRow); });
    dialog.exec();
    UpdateCommandStates();
    FocusList();
}

void CMainFrame::SetUndoEnabled(bool on) {
    view_->Doc().SetUndoEnabled(on, progressFactory_);
    if (store_) {
        WriteSetting(*store_, settings::kEnableUndo, on ? 1 : 0);
    }
    UpdateCommandStates();
}

void CMainFrame::ShowUndoInternals() {
    if (!view_->Doc().UndoEnabled()) {
        return;
    }
    PromptRequest request;
    request.text = view_->Doc().UndoInternalsText();
    request.caption = kUndoListCaption;
    request.style = mb::kOk;
    if (ownPrompter_) {
        // A box of its own, owned by no window.
        CMessageBoxDialog(nullptr, request, store_).DoModal();
    } else {
        prompter_->Ask(request);
    }
}

void CMainFrame::UpdateCommandStates() {
    const bool haveStore = store_ != nullptr;
    for (QAction* action : {preferencesAction_, filterAction_, saveOutputAction_}) {
        action->setEnabled(haveStore);
    }
    pdfMenu_->setEnabled(haveStore);
    enableAutoRefreshAction_->setEnabled(autoRefresh_ && autoRefresh_->CanEnable());
    disableAutoRefreshAction_->setEnabled(autoRefresh_ && autoRefresh_->CanDisable());
    refreshIntervalAction_->setEnabled(autoRefresh_ != nullptr);
    loggingAction_->setChecked(view_->Settings().logEnabled != 0);
    for (int destination = 0; destination < 2; ++destination) {
        copyActions_[destination]->setEnabled(CanCopyToOtherPane(*view_, destination));
    }
    CQuillonDoc& doc = view_->Doc();
    undoAction_->setEnabled(doc.CanUndo());
    redoAction_->setEnabled(doc.CanRedo());
    availableUndosAction_->setEnabled(!doc.Journal().undoList.empty());
    enableUndoAction_->setChecked(doc.UndoEnabled());
    undoInternalsAction_->setEnabled(doc.UndoEnabled());
}

void CMainFrame::CopyToOtherPane(int destination) {
    if (CanCopyToOtherPane(*view_, destination)) {
        RunCopyToOtherPane(*view_, destination, *prompter_, progressFactory_);
    }
    UpdateCommandStates();
    FocusList();
}

void CMainFrame::OnPreferences() {
    if (!store_) {
        return;
    }
    ViewSettings& settings = view_->Settings();
    PreferencesResult result = RunPreferences(this, *store_, settings, *prompter_, [this] {
        view_->ApplyFont();
        view_->viewport()->update();
    });
    if (result.accepted) {
        view_->setShowGrid(settings.gridlines);
        Comparison& comparison = view_->Doc().GetComparison();
        comparison.options = settings.ToComparisonOptions();
        if (view_->Model().RowCount() > 0) {
            view_->Doc().GetRefresh().Refresh2Dirs();
            comparison.RecomputeFileStatuses(comparison.rootItem);
            view_->FillListFromTree();
        }
        view_->viewport()->update();
    }
    FocusList();
}

int CMainFrame::AskWhichSide(int allowed, bool firstSelectedOnly, bool keepDotDot,
                             const std::string& question) {
    std::vector<int> rows = view_->SelectedRows();
    if (rows.empty() && view_->currentIndex().isValid()) {
        rows.push_back(view_->currentIndex().row());
    }
    if (firstSelectedOnly && rows.size() > 1) {
        rows.resize(1);
    }
    std::vector<const DiffItem*> items;
    for (int row : rows) {
        if (const DiffItem* item = view_->Model().ItemAt(row)) {
            items.push_back(item);
        }
    }
    int answer = SideWithoutDialog(CandidatesOf(items, keepDotDot));
    if (answer != kAskUser) {
        return answer;
    }
    QString text = QString::fromStdString(question);
    return sideChooser_ ? sideChooser_(text, allowed)
                        : CWhichViewQuestion(view_, text, allowed).Ask();
}

void CMainFrame::OnFilter() {
    if (!store_) {
        return;
    }
    CQuillonDoc& doc = view_->Doc();
    Comparison& comparison = doc.GetComparison();
    FilterResult result =
        RunFilter(this, *store_, *prompter_, comparison.filter, view_->Settings().useDilutedColor,
                  comparison.readWholeTrees, doc.Next() == NextOpen::kLeftAfterPair);
    if (result.accepted) {
        doc.GetRefresh().ReloadComparison();
        setWindowTitle(TitleText());
    }
    FocusList();
}

void CMainFrame::OnEnableAutoRefresh() {
    if (autoRefresh_) {
        autoRefresh_->OnEnableAutoRefresh();
    }
    UpdateCommandStates();
}

void CMainFrame::OnDisableAutoRefresh() {
    if (autoRefresh_) {
        autoRefresh_->OnDisableAutoRefresh();
    }
    UpdateCommandStates();
}

void CMainFrame::OnRefreshInterval() {
    if (autoRefresh_) {
        RunTimerInterval(this, *autoRefresh_, *prompter_);
    }
    FocusList();
}

void CMainFrame::OnSaveOutputAsText() {
    if (store_) {
        CQuillonDoc& doc = view_->Doc();
        ReportInput input =
            CollectReportInput(doc.GetComparison().rootItem, doc.Path(0), doc.Path(1));
        RunOutputFormat(
            this, *store_, input,
            [this](const std::string& path) { return view_->Tools().ViewFile(path); }, *prompter_);
    }
    FocusList();
}

void CMainFrame::BuildPrintCommands(QMenu* file) {
    file->addSeparator();
    QAction* print = file->addAction(kMenuPrint, this, [this] {
        PrintComparison(this, ViewPrintSource(*view_), *prompter_);
        FocusList();
    });
    print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    file->addAction(kMenuPrintPreview, this, [this] {
        PreviewComparison(this, ViewPrintSource(*view_), *prompter_);
        FocusList();
    });
    pdfMenu_ = file->addMenu(kMenuSavePdf);
    const std::pair<const char*, PrintRows> choices[] = {
        {kMenuSavePdfDifferences, PrintRows::AllButSame}, {kMenuSavePdfAll, PrintRows::All}};
    for (const auto& [text, rows] : choices) {
        pdfMenu_->addAction(text, this, [this, rows = rows] {
            if (store_) {
                SaveComparisonPdf(
                    this, ViewPrintSource(*view_), rows, *store_, *prompter_,
                    [this](const std::string& path) { return view_->Tools().ViewFile(path); });
            }
            FocusList();
        });
    }
}

void CMainFrame::SetAsRoot() {
    const DiffItem* item = view_->Model().ItemAt(view_->SelectedRow());
    if (!item) {
        return;
    }
    int side = AskWhichSide(kAskUser, true, true, kSetAsRootQuestion);
    if (side >= 0) {
        MakeRoot(side, *item);
    }
}

void CMainFrame::OnRenderPdf(int side) {
    std::vector<std::string> paths;
    const DiffItem* only = nullptr;
    for (int row : view_->SelectedRows()) {
        const DiffItem* item = view_->Model().ItemAt(row);
        if (item == nullptr || item->IsDotDot()) {
            continue;
        }
        const int from = side == kAskUser ? (item->Has(kSideLeft) ? kSideLeft : kSideRight) : side;
        if (item->Has(from)) {
            paths.push_back(item->FullPath(from));
            only = item;
        }
    }
    if (paths.empty() || store_ == nullptr) {
        return;
    }
    if (!CheckPostScriptPrinter(*prompter_)) {
        return;
    }
    if (paths.size() == 1 && only->isFile) {
        cPDFFromSingleFile dialog(this, *store_, *prompter_, DefaultLauncher(), paths[0]);
        dialog.exec();
        return;
    }
    if (pdfBinder_ == nullptr) {
        pdfBinder_ = new cPDFBindDlg(this, *store_, *prompter_, {});
    }
    static_cast<cPDFBindDlg*>(pdfBinder_)->AddEntries(paths);
    pdfBinder_->show();
    pdfBinder_->raise();
}

void CMainFrame::MakeCurrentFolderRoot(int side) {
    const DiffItem* item = view_->Model().ItemAt(view_->SelectedRow());
    if (item && item->Has(side)) {
        MakeRoot(side, *item);
    }
}

void CMainFrame::MakeRoot(int side, const DiffItem& item) {
    // A file cannot be the folder a side compares.
    if (item.isFile) {
        return;
    }
    const std::string& text = side == kSideBoth ? item.name : item.Name(side);
    Log("Entering SetAsRoot()... with view# %d, and text=[%s]", side, text.c_str());
    CQuillonDoc& doc = view_->Doc();
    doc.SetRootPaths(side, item);
    int comboSide = side == kSideBoth ? kSideLeft : side;
    AddPathToCombo(doc.Path(comboSide), comboSide);
    // The comparison is read afresh: `item` is gone after this.
    doc.CompareAfterRootChange();
    Log("Leaving SetAsRoot()...");
}

void CMainFrame::OnToggleLogging() {
    ViewSettings& settings = view_->Settings();
    settings.logEnabled = settings.logEnabled != 0 ? 0 : 1;
    SetLogEnabled(settings.logEnabled != 0);
    if (store_) {
        WriteSetting(*store_, settings::kLogEnabled, settings.logEnabled);
    }
    UpdateCommandStates();
}

void CMainFrame::LayoutBars(int halfWidth) {
    for (int side = 0; side < 2; ++side) {
        // A maximum, not a fixed width: the window must stay free to shrink.
        combos_[side]->setMaximumWidth(std::max(halfWidth, 40));
        // An explicit minimum overrides the label's text width, which would pin the window.
        statusPaths_[side]->setMinimumWidth(1);
        statusPaths_[side]->setMaximumWidth(std::max(halfWidth, 10));
        statusPaths_[side]->resize(std::max(halfWidth, 10), statusPaths_[side]->height());
    }
}

QString CMainFrame::TitleText() const {
    return QString::fromStdString(
        FilterWindowTitle(view_->Doc().GetComparison().filter.filterActive));
}

void CMainFrame::SetFilterState(const FilterState& filter) {
    view_->SetFilterState(filter);
    setWindowTitle(TitleText());
}

void CMainFrame::ShowError(const std::string& text) {
    PromptRequest request;
    request.text = text;
    request.style = mb::kOk | mb::kIconStop;
    prompter_->Ask(request);
}

void CMainFrame::FocusList() {
    view_->setFocus();
}

void CMainFrame::FillCombosFromMru() {
    if (!store_) {
        return;
    }
    std::vector<std::string> entries;
    store_->ReadMruList(settings::kMruDir2Open, entries);
    for (CDropCombo* combo : combos_) {
        for (const std::string& entry : entries) {
            combo->InsertPath(0, entry);
        }
        combo->setCurrentIndex(-1);
        combo->setEditText(QString());
        combo->RememberCurrent();
    }
}

void CMainFrame::ShowWithSavedPlacement(int showCommand) {
    std::optional<WindowPlacement> placement;
    if (store_) {
        placement = store_->LoadWindowPlacement();
    }
    int command = showCommand;
    if (placement) {
        const WindowPlacement& p = *placement;
        if (p.right > p.left && p.bottom > p.top) {
            setGeometry(p.left, p.top, p.right - p.left, p.bottom - p.top);
        }
        if (showCommand == kShowNormal) {
            command = static_cast<int>(p.showCmd);
        }
    }
    switch (command) {
        case 0:
            hide();
            break;
        case 2:
        case 6:
        case 7:
            showMinimized();
            break;
        case 3:
            showMaximized();
            break;
        default:
            showNormal();
            break;
    }
    if (placement) {
        FillCombosFromMru();
    }
}

void CMainFrame::AddPathToCombo(const std::string& path, int side) {
    const std::string text = TrimBlanks(path);
    if (text.empty() || side < 0 || side > 1) {
        return;
    }
    if (store_) {
        store_->AddToMruList(settings::kMruDir2Open, text, kMruMaxCount);
    }
    CDropCombo* combo = combos_[side];
    int existing = combo->FindPath(text);
    if (existing >= 0) {
        combo->removeItem(existing);
    }
    combo->InsertPath(0, text);
    combo->setCurrentIndex(0);
    combo->RememberCurrent();
    FocusList();
}

bool CMainFrame::OpenPath(const std::string& path) {
    return view_->Doc().OpenPath(path);
}

void CMainFrame::BrowseFolder(int side) {
    QString title = QString::fromUtf8(side == 0 ? kBrowseLeftTitle : kBrowseRightTitle);
    CQuillonDoc& doc = view_->Doc();
    QString start = QFile::decodeName(QByteArray::fromStdString(doc.Path(side)));
    QString answer = folderChooser_ ? folderChooser_(title, start)
                                    : QFileDialog::getExistingDirectory(this, title, start);
    const std::string chosen = QFile::encodeName(answer).toStdString();
    if (!chosen.empty() && !SamePathNoCase(chosen, doc.Path(side))) {
        NextOpen oldNext = doc.Next();
        doc.SetNext(FillingSide(side));
        if (doc.OpenPath(chosen)) {
            AddPathToCombo(chosen, side);
            if (oldNext == NextOpen::kLeftAfterPair) {
                doc.SetNext(oldNext);
            }
        } else {
            doc.SetNext(oldNext);
        }
    }
    FocusList();
}

void CMainFrame::OnComboEnter(int side) {
    CDropCombo* combo = combos_[side];
    const std::string text = combo->CurrentPath();
    const std::string current = view_->Doc().Path(side);
    if (!SamePathNoCase(text, current)) {
        if (IsFolderPath(text)) {
            AddPathToCombo(text, side);
            view_->Doc().SetNext(FillingSide(side));
            view_->Doc().OpenPath(text);
        } else if (!text.empty()) {
            ShowError(FormatText(kTypedFolderMissingFormat, text));
            combo->SetEditPath(current);
        }
    }
    FocusList();
}

void CMainFrame::OnComboChosen(int side, int index) {
    CDropCombo* combo = combos_[side];
    if (combo->itemText(index) == combo->PreviousText() && index == combo->PreviousIndex()) {
        return;
    }
    const std::string entry = combo->PathAt(index);
    if (IsFolderPath(entry)) {
        AddPathToCombo(entry, side);
        view_->Doc().SetNext(FillingSide(side));
        view_->Doc().OpenPath(entry);
    } else {
        ShowError(FormatText(kChosenFolderMissingFormat, entry));
        QString previous = combo->PreviousText();
        int previousIndex = combo->PreviousIndex();
        if (previous.isEmpty()) {
            combo->setCurrentIndex(-1);
            combo->setEditText(QString());
        } else {
            combo->setCurrentIndex(previousIndex);
            combo->setEditText(previous);
        }
    }
    FocusList();
}

bool CMainFrame::CanReload(int side) const {
    return IsFolderPath(combos_[side]->CurrentPath());
}

void CMainFrame::ReloadSide(int side) {
    if (!CanReload(side)) {
        return;
    }
    std::string text = combos_[side]->CurrentPath();
    view_->Doc().SetNext(FillingSide(side));
    view_->Doc().OpenPath(text);
    AddPathToCombo(text, side);
}

void CMainFrame::PauseAutoRefresh() {
    if (autoRefresh_) {
        autoRefresh_->PauseAutoRefresh();
    }
}

void CMainFrame::ResumeAutoRefresh() {
    if (autoRefresh_) {
        autoRefresh_->ResumeAutoRefresh();
    }
}

bool CMainFrame::AutoRefreshRunning() const {
    return autoRefresh_ && autoRefresh_->Running();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (store_) {
        WindowPlacement placement;
        QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
        placement.flags = 0;
        placement.showCmd = isMaximized() ? 3 : isMinimized() ? 2 : 1;
        placement.left = normal.left();
        placement.top = normal.top();
        placement.right = normal.left() + normal.width();
        placement.bottom = normal.top() + normal.height();
        store_->SaveWindowPlacement(placement);
        view_->Settings().SaveWidths(*store_);
    }
    // The journal lives as long as the window: its backups go with it, written to the undo log.
    view_->Doc().PurgeJournal(true, progressFactory_);
    event->accept();
}

}  // namespace quillon
