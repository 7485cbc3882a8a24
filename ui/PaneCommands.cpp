#include "ui/PaneCommands.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>

#include "base/PathUtil.h"
#include "base/StringPrintf.h"
#include "core/Comparison.h"
#include "fileops/CopyDiffExport.h"
#include "fileops/DropRules.h"
#include "fileops/FileCopy.h"
#include "platform/FavoriteApps.h"
#include "platform/Launcher.h"
#include "platform/Log.h"
#include "platform/ProgressSink.h"
#include "platform/Prompter.h"
#include "platform/RunContext.h"
#include "platform/SettingsCatalogue.h"
#include "reports/PdfRendition.h"
#include "ui/BusyGate.h"
#include "ui/CAttribChanges.h"
#include "ui/CFavoriteApps.h"
#include "ui/CMainFrame.h"
#include "ui/CQuillonView.h"
#include "ui/ClipboardFiles.h"
#include "ui/CopyCommands.h"
#include "ui/DiffListModel.h"
#include "ui/FileCommands.h"
#include "ui/PaneTransfer.h"

namespace quillon {

namespace {

QAction* AddCommand(QMenu* menu, const char* text, const std::string& whyNot,
                    std::function<void()> run) {
    QAction* action = menu->addAction(text);
    action->setEnabled(whyNot.empty());
    action->setToolTip(QString::fromStdString(whyNot));
    QObject::connect(action, &QAction::triggered, menu, std::move(run));
    return action;
}

QString FromBytes(const std::string& text) {
    return QFile::decodeName(QByteArray::fromStdString(text));
}

std::string ToBytes(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

// A menu of the frame by its title, or null.
QMenu* FrameMenu(CMainFrame& frame, const QString& title) {
    for (QAction* action : frame.menuBar()->actions()) {
        if (action->text() == title) {
            return action->menu();
        }
    }
    return nullptr;
}

}  // namespace

PaneCommands::PaneCommands(CMainFrame& frame, SettingsStore* store, Prompter& prompter,
                           ProgressFactory* progress)
    : QObject(&frame),
      frame_(frame),
      store_(store),
      prompter_(prompter),
      progress_(progress),
      launch_(std::make_unique<PaneLaunch>(LocatePaneTools(),
                                           RunContext::Current().DefaultLauncher(), &prompter)) {
    viewport_ = View().viewport();
    viewport_->installEventFilter(this);
    AddKeys();
    AddToolMenus();
    AddCopyDiffMenu();
}

PaneCommands::~PaneCommands() = default;

CQuillonView& PaneCommands::View() const {
    return *frame_.View();
}

void PaneCommands::AddKeys() {
    struct Key {
        QKeySequence key;
        std::function<void()> run;
    };
    const Key keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_H), [this] { Search(KeyPane()); }},
        {QKeySequence(Qt::CTRL | Qt::Key_F12), [this] { OpenNative(kSideLeft); }},
        {QKeySequence(Qt::SHIFT | Qt::Key_F12), [this] { OpenNative(kSideRight); }},
    };
    for (const Key& key : keys) {
        auto* action = new QAction(&frame_);
        action->setShortcut(key.key);
        connect(action, &QAction::triggered, this, key.run);
        frame_.addAction(action);
    }
}

void PaneCommands::AddToolMenus() {
    if (QMenu* action = FrameMenu(frame_, "&Action")) {
        action->setToolTipsVisible(true);
        action->addSeparator();
        viewerAction_ = action->addAction(kMenuViewWithViewer, this, [this] { ViewWithViewer(); });
        viewerAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
        hexAction_ = action->addAction(kMenuViewWithHex, this, [this] { ViewWithHexTool(); });
        hexAction_->setShortcut(QKeySequence(Qt::Key_F9));
        explorerAction_ =
            action->addAction(kMenuOpenExplorer, this, [this] { OpenExplorer(KeyPane()); });
        explorerAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
        connect(action, &QMenu::aboutToShow, this, [this] { UpdateToolStates(); });
    }
    if (QMenu* edit = FrameMenu(frame_, "&Edit")) {
        copyTextAction_ = edit->addAction(kMenuCopyText, this, [this] { CopyRowsAsText(); });
    }
    if (QMenu* options = FrameMenu(frame_, "&Options")) {
        QMenu* nonText = options->addMenu(kMenuNonTextWith);
        const int current = store_ ? ReadSetting(*store_, settings::kViewNonTextWith) : 0;
        for (int value = 0; value < 2; ++value) {
            nonTextActions_[value] =
                nonText->addAction(kMenuNonTextTexts[value], this, [this, value] {
                    if (store_) {
                        WriteSetting(*store_, settings::kViewNonTextWith, value);
                    }
                    nonTextActions_[value]->setChecked(true);
                    nonTextActions_[1 - value]->setChecked(false);
                });
            nonTextActions_[value]->setCheckable(true);
            nonTextActions_[value]->setChecked(current == value);
        }
    }
}

void PaneCommands::UpdateToolStates() {
    const PaneToolPaths& tools = launch_->Tools();
    const DiffItem* single = SingleRow();
    const bool file = single && single->isFile;
    const bool pair = file && single->Has(kSideLeft) && single->Has(kSideRight);
    auto set = [](QAction* action, const std::string& why) {
        action->setEnabled(why.empty());
        action->setToolTip(QString::fromStdString(why));
    };
    set(viewerAction_, file ? ToolMissingReason(tools, PaneTool::kViewer) : kWhyOneFileRow);
    set(hexAction_, pair ? ToolMissingReason(tools, PaneTool::kHexCompare) : kWhyNoPair);
    set(explorerAction_, FolderFor(KeyPane()).empty()
                             ? kWhyNotCompared
                             : ToolMissingReason(tools, PaneTool::kExplorer));
}

bool PaneCommands::OpenFiles(const std::vector<std::string>& files) {
    if (files.size() == 1) {
        return launch_->OpenItem(files[0]);
    }
    const int nonText = store_ ? ReadSetting(*store_, settings::kViewNonTextWith) : 0;
    return files.size() == 2 && launch_->CompareTwoFiles(files[0], files[1], nonText);
}

bool PaneCommands::ViewWithViewer() {
    const DiffItem* item = SingleRow();
    if (!item || !item->isFile) {
        return false;
    }
    std::vector<std::string> files;
    for (int side = 0; side < 2; ++side) {
        if (item->Has(side)) {
            files.push_back(item->FullPath(side));
        }
    }
    return launch_->LaunchViewer(files);
}

bool PaneCommands::CopyRowsAsText() {
    const DiffListModel& model = View().Model();
    QString text;
    for (int row : View().SelectedRows()) {
        for (int column = 0; column < model.columnCount(); ++column) {
            text += QString::fromStdString(model.CellText(row, column)) + '\t';
        }
        text += "\r\n";
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (text.isEmpty() || clipboard == nullptr) {
        Log(kLogClipboardFailed);
        return false;
    }
    clipboard->setText(text);
    Log(kLogClipboardCopied);
    return true;
}

bool PaneCommands::ViewWithHexTool() {
    const DiffItem* item = SingleRow();
    if (!item || !item->isFile || !item->Has(kSideLeft) || !item->Has(kSideRight)) {
        return false;
    }
    return launch_->LaunchHexTool(item->FullPath(kSideLeft), item->FullPath(kSideRight));
}

void PaneCommands::AddCopyDiffMenu() {
    auto* menu = new QMenu(kMenuCopyDiff, &frame_);
    for (int side = 0; side < 3; ++side) {
        copyDiffActions_[side] = menu->addAction(kMenuCopyDiffTexts[side], this,
                                                 [this, side] { ExportDiffFiles(side); });
    }
    connect(menu, &QMenu::aboutToShow, this, [this] {
        const bool compared = !View().Doc().Path(0).empty() && !View().Doc().Path(1).empty();
        for (QAction* action : copyDiffActions_) {
            action->setEnabled(compared);
            action->setToolTip(compared ? QString() : kWhyNotCompared);
        }
    });
    menu->setToolTipsVisible(true);
    // Before the Options menu, after the commands on the panes.
    QMenu* options = FrameMenu(frame_, "&Options");
    frame_.menuBar()->insertMenu(options ? options->menuAction() : nullptr, menu);
}

const DiffItem* PaneCommands::SingleRow() const {
    std::vector<int> rows = View().SelectedRows();
    if (rows.empty() && View().currentIndex().isValid()) {
        rows.push_back(View().currentIndex().row());
    }
    return rows.size() == 1 ? View().Model().ItemAt(rows.front()) : nullptr;
}

const DiffItem* PaneCommands::SingleFile(int pane) const {
    const DiffItem* item = SingleRow();
    return item && item->isFile && item->Has(pane) ? item : nullptr;
}

std::vector<const DiffItem*> PaneCommands::RowsIn(int pane) const {
    std::vector<const DiffItem*> rows;
    for (const DiffItem* item : SelectedItems(View())) {
        if (item->Has(pane)) {
            rows.push_back(item);
        }
    }
    return rows;
}

std::string PaneCommands::FolderFor(int pane) const {
    CQuillonDoc& doc = View().Doc();
    const int row =
        View().currentIndex().isValid() ? View().currentIndex().row() : View().SelectedRow();
    const DiffItem* item = View().Model().ItemAt(row);
    std::string folder = item ? DropFolder(*item, pane, doc.Path(pane)) : doc.Path(pane);
    // A folder the pane lacks is shown from the nearest one it has.
    while (!folder.empty() && !IsRootPath(folder) &&
           !PathExistsLoose(View().GetComparison().Fs(), folder)) {
        folder = std::string(DirName(folder));
    }
    return folder;
}

int PaneCommands::KeyPane() const {
    const DiffItem* item = View().Model().ItemAt(View().currentIndex().row());
    return item && !item->Has(kSideLeft) && item->Has(kSideRight) ? kSideRight : kSideLeft;
}

void PaneCommands::ShowStop(const std::string& text) {
    PromptRequest request;
    request.text = text;
    request.style = mb::kOk | mb::kIconStop;
    prompter_.Ask(request);
}

QMenu* PaneCommands::BuildMenu(int pane, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setToolTipsVisible(true);
    CQuillonView& view = View();
    const PaneToolPaths& tools = launch_->Tools();
    const DiffItem* single = SingleRow();
    const bool oneFolder = single && !single->isFile && !single->IsDotDot();
    const DiffItem* file = SingleFile(pane);
    const std::vector<const DiffItem*> rows = RowsIn(pane);
    auto why = [](bool ok, const std::string& reason) { return ok ? std::string() : reason; };
    auto toolWhy = [&](bool ok, const std::string& reason, PaneTool tool) {
        return ok ? ToolMissingReason(tools, tool) : reason;
    };
    const std::string folder = FolderFor(pane);

    AddCommand(menu, kMenuExpandAll, why(oneFolder, kWhyOneFolderRow), [this] { ExpandAll(); });
    AddCommand(menu, kMenuSetRoot, why(oneFolder, kWhyOneFolderRow),
               [this] { frame_.SetAsRoot(); });
    AddCommand(menu, kMenuExplorer, toolWhy(!folder.empty(), kWhyNotCompared, PaneTool::kExplorer),
               [this, pane] { OpenExplorer(pane); });
    menu->addSeparator();
    const char* copyTexts[2] = {kMenuCopyToLeft, kMenuCopyToRight};
    for (int destination : {kSideRight, kSideLeft}) {
        AddCommand(menu, copyTexts[destination],
                   why(CanCopyToOtherPane(view, destination), kWhyNothingInPane),
                   [this, destination] { frame_.CopyToOtherPane(destination); });
    }
    AddCommand(menu, kMenuDelete, why(!rows.empty(), kWhyNothingInPane),
               [this, pane] { frame_.DeleteRows(pane); });
    AddCommand(menu, kMenuRename,
               why(single && !single->IsDotDot() && single->Has(pane), kWhyNothingInPane),
               [this, pane] { frame_.RenameInPlace(pane); });
    menu->addSeparator();

    QMenu* sendTo = menu->addMenu(kMenuSendTo);
    sendTo->setToolTipsVisible(true);
    const std::string sendToFolder = SendToFolder();
    std::vector<std::string> paths;
    for (const DiffItem* row : rows) {
        paths.push_back(row->FullPath(pane));
    }
    for (const SendToEntry& entry : LoadSendToEntries(sendToFolder)) {
        AddCommand(sendTo, "", why(!paths.empty(), kWhyNothingInPane), [this, entry, paths] {
            launch_->LaunchSendTo(entry, paths);
        })->setText(FromBytes(entry.name));
    }
    if (sendTo->isEmpty()) {
        sendTo->menuAction()->setEnabled(false);
        sendTo->menuAction()->setToolTip(
            QString::fromStdString(StringPrintf(kWhyNoSendTo, sendToFolder)));
    }
    if (file && IsZipFile(file->Name(pane))) {
        const std::string archiveWhy = ToolMissingReason(tools, PaneTool::kArchive);
        AddCommand(menu, kMenuExtractHere, archiveWhy, [this, pane] { ExtractHere(pane); });
        AddCommand(menu, kMenuAddToZip, archiveWhy, [this, pane] { AddToZip(pane); });
    }
    menu->addSeparator();
    AddCommand(menu, kMenuRenderPdf,
               why(renderPdf_ != nullptr && HasPostScriptPrinter(), kWhyNoPdf),
               [this, pane] { renderPdf_(pane); });
    AddCommand(menu, kMenuNativeApp, toolWhy(file != nullptr, kWhyOneFileRow, PaneTool::kNativeApp),
               [this, pane] { OpenNative(pane); });
    AddCommand(menu, kMenuFavoriteApp, why(file != nullptr, kWhyOneFileRow),
               [this, pane] { OpenFavourite(pane); });
    menu->addSeparator();
    AddCommand(menu, kMenuCopyToClipboard, why(!rows.empty(), kWhyNothingInPane),
               [this, pane] { frame_.Transfer().CopyPaneToClipboard(pane, false); });
    const bool fileList = !ClipboardFilePaths(QGuiApplication::clipboard()->mimeData()).empty();
    const std::string pasteWhy = !fileList                     ? kWhyNoFileList
                                 : view.SelectedRows().empty() ? kWhyPasteTarget
                                                               : "";
    AddCommand(menu, kMenuPasteHere, pasteWhy, [this, pane] {
        frame_.Transfer().PasteInto(pane);
        frame_.UpdateCommandStates();
    });
    AddCommand(menu, kMenuSearch, toolWhy(!folder.empty(), kWhyNotCompared, PaneTool::kSearch),
               [this, pane] { Search(pane); });
    AddCommand(menu, kMenuProperties, why(!rows.empty(), kWhyNothingInPane),
               [this, pane] { ShowProperties(pane); });
    return menu;
}

bool PaneCommands::eventFilter(QObject* watched, QEvent* event) {
    if (viewport_ == nullptr || watched != viewport_) {
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            // A right-button drag ends in the drag loop, which takes the release: the menu of the
            // press is then forgotten.
            if (event->type() == QEvent::MouseButtonRelease && menuPending_) {
                menuPending_ = false;
                ShowMenuAt(pendingPos_, mouse->globalPosition().toPoint());
            }
            menuPending_ = false;
        }
        return false;
    }
    if (event->type() != QEvent::ContextMenu) {
        return false;
    }
    auto* context = static_cast<QContextMenuEvent*>(event);
    // Where the menu comes with the press, it waits for the release so that the right button can
    // still drag.
    if (context->reason() == QContextMenuEvent::Mouse &&
        (QGuiApplication::mouseButtons() & Qt::RightButton)) {
        menuPending_ = true;
        pendingPos_ = context->pos();
        return true;
    }
    ShowMenuAt(context->pos(), context->globalPos());
    return true;
}

void PaneCommands::ShowMenuAt(const QPoint& pos, const QPoint& globalPos) {
    const int column = View().columnAt(pos.x());
    const int row = View().rowAt(pos.y());
    if (column < 0 || row < 0) {
        return;
    }
    if (!View().selectionModel()->isRowSelected(row, QModelIndex())) {
        View().SelectOnly(row);
    }
    std::unique_ptr<QMenu> menu(BuildMenu(View().Model().SideOf(column), &View()));
    menu->exec(globalPos);
}

void PaneCommands::ExpandAll() {
    const DiffItem* item = SingleRow();
    if (!item || item->isFile || item->IsDotDot()) {
        return;
    }
    const int row = item->row;
    if (item->expanded[kSideLeft] || item->expanded[kSideRight]) {
        View().ToggleFolder(row, false);
    }
    View().ToggleFolder(row, true);
}

bool PaneCommands::OpenExplorer(int pane) {
    const std::string folder = FolderFor(pane);
    return !folder.empty() && launch_->OpenExplorer(folder);
}

bool PaneCommands::Search(int pane) {
    const std::string folder = FolderFor(pane);
    return !folder.empty() && launch_->LaunchSearch(folder);
}

bool PaneCommands::OpenNative(int pane) {
    const DiffItem* file = SingleFile(pane);
    return file && launch_->OpenWithNativeApp(file->FullPath(pane));
}

bool PaneCommands::OpenFavourite(int pane) {
    const DiffItem* file = SingleFile(pane);
    if (!file) {
        return false;
    }
    const std::string path = file->FullPath(pane);
    std::string entry;
    if (favouriteChooser_) {
        entry = favouriteChooser_();
    } else {
        CFavoriteApps dialog(&frame_, store_, prompter_);
        if (dialog.exec() == QDialog::Accepted) {
            entry = dialog.Chosen();
        }
    }
    return !entry.empty() && launch_->LaunchFavourite(entry, path);
}

bool PaneCommands::ExtractHere(int pane) {
    const DiffItem* file = SingleFile(pane);
    return file && launch_->ExtractArchive(file->FullPath(pane), file->Dir(pane));
}

bool PaneCommands::AddToZip(int pane) {
    std::vector<std::string> files;
    for (const DiffItem* row : RowsIn(pane)) {
        files.push_back(row->FullPath(pane));
    }
    return !files.empty() && launch_->AddToArchive(files);
}

void PaneCommands::ShowProperties(int pane) {
    const std::vector<const DiffItem*> rows = RowsIn(pane);
    if (rows.empty()) {
        return;
    }
    // One folder's items: rows of other folders among the selection stay out.
    const std::string location = rows.front()->Dir(pane);
    std::vector<std::string> names;
    for (const DiffItem* row : rows) {
        if (row->Dir(pane) == location) {
            names.push_back(row->Name(pane));
        }
    }
    CAttribChanges dialog(&frame_, View().GetComparison().Fs(), location, names, progress_);
    dialog.exec();
}

void PaneCommands::ExportDiffFiles(int side) {
    CQuillonDoc& doc = View().Doc();
    if (doc.Path(0).empty() || doc.Path(1).empty() || side < 0 || side > 2) {
        return;
    }
    const QString prompt = CopyDiffChooserPrompt(side);
    const QString start = side == 2 ? QString() : FromBytes(doc.Path(side));
    const QString answer = folderChooser_
                               ? folderChooser_(prompt, start)
                               : QFileDialog::getExistingDirectory(&frame_, prompt, start);
    const std::string destination = ToBytes(answer);
    if (destination.empty()) {
        return;
    }
    Comparison& comparison = View().GetComparison();
    CopyDiffRequest request;
    request.left = doc.Path(0);
    request.right = doc.Path(1);
    request.destination = destination;
    request.side = side;
    request.options = comparison.options;
    request.filter = comparison.filter;
    FileOpsContext ctx(comparison.Fs());
    std::unique_ptr<ProgressSink> sink =
        progress_ ? progress_->Open(kComparisonProgressCaption) : std::unique_ptr<ProgressSink>();
    ctx.progress = sink.get();
    CopyDiffResult result;
    std::string why;
    CopyDiffStatus status;
    {
        BusyGate::Scope busy;
        status = RunCopyDiffExport(request, ctx, progress_, result, &why);
    }
    sink.reset();
    for (const ExportItemResult& item : result.items) {
        if (!item.reason.empty()) {
            Log("%s", item.reason.c_str());
        }
    }
    if (status == CopyDiffStatus::kBadDestination) {
        ShowStop(why);
    } else if (status == CopyDiffStatus::kDone) {
        PromptRequest request;
        request.text = CopyDiffSummaryText(result, destination);
        request.style = mb::kOk | mb::kIconInformation;
        prompter_.Ask(request);
    }
}

}  // namespace quillon
