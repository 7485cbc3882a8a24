#include "ui/CQuillonView.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>

#include "core/PathUtil.h"
#include "platform/Launcher.h"
#include "platform/Log.h"
#include "platform/MessageBoxLogic.h"
#include "platform/SettingsCatalogue.h"
#include "platform/SettingsStore.h"
#include "platform/ToolLocator.h"
#include "reports/TextReport.h"
#include "reports/ValueText.h"
#include "ui/BusyGate.h"
#include "ui/CFilter.h"
#include "ui/COptionsChange.h"
#include "ui/COutputFormat.h"
#include "ui/CWhichViewQuestion.h"
#include "ui/DiffListModel.h"
#include "ui/DiffRowDelegate.h"

namespace quillon {

std::string ExtendPath(const std::string& path, const std::string& name) {
    if (path.empty() || name.empty()) {
        return path;
    }
    if (name == "..") {
        size_t cut = path.rfind(kPathSep);
        if (cut == std::string::npos) {
            return path;
        }
        return cut == 0 ? std::string(1, kPathSep) : path.substr(0, cut);
    }
    return JoinPath(path, name);
}

bool SamePathNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

namespace {

std::string OwnProgramPath() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

QString Shown(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// The link mode's two cursors: a chain with the number of the entry the next click picks.
QCursor LinkCursor(int stage) {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Qt::black, 3));
    p.drawLine(1, 1, 7, 7);
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(1, 1, 7, 7);
    p.setPen(QPen(QColor(40, 40, 160), 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(7, 9, 9, 6));
    p.drawEllipse(QRectF(13, 9, 9, 6));
    QFont font = p.font();
    font.setPixelSize(9);
    font.setBold(true);
    p.setFont(font);
    p.setPen(stage == 0 ? QColor(0, 130, 0) : QColor(200, 0, 0));
    p.drawText(QRect(12, 15, 12, 9), Qt::AlignCenter, stage == 0 ? "1" : "2");
    p.end();
    return QCursor(pixmap, 1, 1);
}

}  // namespace

CQuillonView::CQuillonView(SettingsStore* store, Prompter* prompter, QWidget* parent)
    : QTableView(parent),
      store_(store),
      prompter_(prompter),
      comparison_(this),
      refresh_(comparison_, *this, this) {
    if (store_) {
        settings_.Load(*store_);
        settings_.LoadWidths(*store_);
    }
    StartRun();
    comparison_.options = settings_.ToComparisonOptions();
    model_ = new DiffListModel(this);
    model_->SetColumns(settings_.ColumnsPerSide(), settings_.detailTimestamp != 0);
    delegate_ = new DiffRowDelegate(&settings_, &comparison_.filter.filterActive, this);
    setModel(model_);
    setItemDelegate(delegate_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setHighlightSections(false);
    setShowGrid(settings_.gridlines);
    setGridStyle(Qt::SolidLine);
    ApplyFont();
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { escArmed_ = false; });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { escArmed_ = false; });
    // Any key, click or wheel anywhere in the program disarms the pending first ESC.
    qApp->installEventFilter(this);
}

CQuillonView::~CQuillonView() {
    qApp->removeEventFilter(this);
    while (waitCursorDepth_ > 0) {
        SetWaitCursor(false);
    }
    ClearList();
}

void CQuillonView::StartRun() {
    SetLogEnabled(settings_.logEnabled != 0);
    SettingsStore* store = store_;
    OpenLog(kLogBaseName, kLogExtension, false, [store] {
        return store != nullptr && store->ReadDirectFlag(settings::kLogTimestamp.keyPath,
                                                         settings::kLogTimestamp.valueName);
    });
    PruneLogs(kLogBaseName, kSideLogExtension);
    if (store_) {
        ForgetRememberedAnswers(*store_);
    }
    // Taken after the log opened, so the backups of this run carry the log file's stamp.
    runTag_ = CompactTimeStamp(true);
}

void CQuillonView::ApplyFont() {
    QFont listFont = font();
    if (!settings_.fontName.empty()) {
        listFont.setFamily(QString::fromStdString(settings_.fontName));
    }
    if (int pixels = settings_.FontPixels(); pixels > 0) {
        listFont.setPixelSize(pixels);
    }
    setFont(listFont);
    int rowHeight = std::max(QFontMetrics(listFont).height() + 4, ItemIcons::kSize + 2);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    verticalHeader()->setMinimumSectionSize(rowHeight);
}

void CQuillonView::ApplyColumnWidths() {
    int perSide = model_->ColumnsPerSide();
    int optional = 0;
    for (int c = 1; c < perSide; ++c) {
        optional += settings_.OptionalWidth(model_->KindOf(c));
    }
    int nameWidth = std::max(halfWidth_ - optional, 40);
    for (int side = 0; side < 2; ++side) {
        for (int c = 0; c < perSide; ++c) {
            int width = c == 0 ? nameWidth : settings_.OptionalWidth(model_->KindOf(c));
            setColumnWidth(side * perSide + c, width);
        }
    }
}

void CQuillonView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    halfWidth_ = viewport()->width() / 2;
    ApplyColumnWidths();
    emit halfWidthChanged(halfWidth_);
}

bool CQuillonView::CompareCurrentPaths(int progressOption) {
    escArmed_ = false;
    return comparison_.CompareFolders(paths_[0], paths_[1], progressOption);
}

bool CQuillonView::OpenPath(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
        LaunchFiles({path}, SiblingLaunchMode::kDocumentOpen);
        return false;
    }
    std::string oldPaths[2] = {paths_[0], paths_[1]};
    int oldNext = nextSide_;
    if (nextSide_ == kSideBoth) {
        nextSide_ = kSideLeft;
    }
    paths_[nextSide_] = StripOneTrailingSeparator(path);
    ++nextSide_;
    const FilterState& filter = comparison_.filter;
    comparison_.readWholeTrees = filter.filterActive && filter.expandAll && !paths_[1].empty();
    if (CompareCurrentPaths(1)) {
        return true;
    }
    paths_[0] = oldPaths[0];
    paths_[1] = oldPaths[1];
    nextSide_ = oldNext;
    return false;
}

void CQuillonView::ResetComparison() {
    paths_[0].clear();
    paths_[1].clear();
    nextSide_ = kSideLeft;
    comparison_.CompareFolders(std::string(), std::string(), 0);
    ClearList();
    ShowStatusPaths(std::string(), std::string());
}

void CQuillonView::SetFilterState(const FilterState& filter) {
    comparison_.filter = filter;
    viewport()->update();
}

void CQuillonView::OnEnterItem(int row) {
    Log("Entering ENTERkeyOnThisItemID()... with selected item #%d", row);
    DiffItem* item = model_->ItemAt(row);
    if (!item) {
        Log("pItem retrieved using item #d is NULL... Returning...");
        return;
    }
    Log("Double-click/ENTER key on item [%d] (= 1st Dir[%s], 2nd Dir[%s])", row,
        item->Dir(kSideLeft).c_str(), item->Dir(kSideRight).c_str());
    if (item->IsDotDot()) {
        GoUp();
    } else if (!item->isFile) {
        ToggleFolder(row, false);
    } else {
        std::vector<std::string> files;
        for (int side = 0; side < 2; ++side) {
            if (item->Has(side)) {
                files.push_back(item->FullPath(side));
            }
        }
        LaunchFiles(files, SiblingLaunchMode::kStartUp);
    }
    Log("Leaving ENTERkeyOnThisItemID()...");
}

void CQuillonView::ToggleFolder(int row, bool recurse) {
    DiffItem* item = model_->ItemAt(row);
    if (!item || item->isFile || item->IsDotDot()) {
        return;
    }
    escArmed_ = false;
    SetWaitCursor(true);
    if (item->expanded[kSideLeft] || item->expanded[kSideRight]) {
        comparison_.CollapseFolder(item, row);
    } else {
        comparison_.ExpandFolderWithProgress(item, row, recurse);
    }
    SetWaitCursor(false);
    row = item->row;
    model_->RowChanged(row);
    SelectOnly(row);
}

void CQuillonView::GoUp() {
    std::string fresh[2];
    for (int side = 0; side < 2; ++side) {
        // A path without a separator has no parent to show; it stays rather than becoming empty.
        fresh[side] = ExtendPath(paths_[side], "..");
    }
    if (SamePathNoCase(fresh[0], paths_[0]) && SamePathNoCase(fresh[1], paths_[1])) {
        return;
    }
    for (int side = 0; side < 2; ++side) {
        paths_[side] = StripOneTrailingSeparator(fresh[side]);
    }
    const FilterState& filter = comparison_.filter;
    comparison_.readWholeTrees = filter.filterActive && filter.expandAll && nextSide_ == kSideBoth;
    CompareCurrentPaths(0);
    if (model_->RowCount() > 0) {
        SelectOnly(0);
    }
}

bool CQuillonView::IsDifferenceRow(const DiffItem& item) const {
    if (item.isFile) {
        return item.FileState() != StatusSame;
    }
    return settings_.includeFoldersForDiffs && !item.IsDotDot() &&
           (item.FolderState() == FolderLeftOnly || item.FolderState() == FolderRightOnly);
}

std::vector<int> CQuillonView::SelectedRows() const {
    std::vector<int> rows;
    if (!selectionModel()) {
        return rows;
    }
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

int CQuillonView::FindTarget(NavTarget target) const {
    const std::vector<DiffItem*>& rows = model_->Rows();
    int count = static_cast<int>(rows.size());
    bool any = target == NavTarget::kNextAny || target == NavTarget::kPrevAny ||
               target == NavTarget::kFirstAny || target == NavTarget::kLastAny;
    auto matches = [&](int row) {
        const DiffItem& item = *rows[static_cast<size_t>(row)];
        return any ? IsDifferenceRow(item) : item.isFile && item.FileState() == StatusDifferent;
    };
    std::vector<int> selected = SelectedRows();
    int current = currentIndex().isValid() ? currentIndex().row() : -1;
    int first = selected.empty() ? current : selected.front();
    int last = selected.empty() ? current : selected.back();
    switch (target) {
        case NavTarget::kNextDiff:
        case NavTarget::kNextAny:
            for (int r = last + 1; r < count; ++r) {
                if (matches(r)) {
                    return r;
                }
            }
            return -1;
        case NavTarget::kPrevDiff:
        case NavTarget::kPrevAny:
            for (int r = (first < 0 ? count : first) - 1; r >= 0; --r) {
                if (matches(r)) {
                    return r;
                }
            }
            return -1;
        case NavTarget::kFirstDiff:
        case NavTarget::kFirstAny:
            for (int r = 0; r < count; ++r) {
                if (matches(r)) {
                    return r;
                }
            }
            return count > 0 ? 0 : -1;
        case NavTarget::kLastDiff:
        case NavTarget::kLastAny:
            for (int r = count - 1; r >= 0; --r) {
                if (matches(r)) {
                    return r;
                }
            }
            return -1;
    }
    return -1;
}

void CQuillonView::Navigate(NavTarget target) {
    int row = FindTarget(target);
    if (row >= 0) {
        SelectOnly(row);
    }
}

void CQuillonView::SelectOnly(int row) {
    if (row < 0 || row >= model_->RowCount()) {
        return;
    }
    QModelIndex index = model_->index(row, 0);
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

void CQuillonView::SetIncludeFoldersForDiffs(bool include) {
    settings_.includeFoldersForDiffs = include;
    if (store_) {
        WriteSetting(*store_, settings::kIncludeFoldersForDiffs, include ? 1 : 0);
    }
}

void CQuillonView::SetGridlines(bool on) {
    settings_.gridlines = on;
    setShowGrid(on);
    if (store_) {
        WriteSetting(*store_, settings::kGridlinesEnabled, on ? 1 : 0);
    }
}

void CQuillonView::SetLogging(bool on) {
    settings_.logEnabled = on ? 1 : 0;
    SetLogEnabled(on);
    if (store_) {
        WriteSetting(*store_, settings::kLogEnabled, settings_.logEnabled);
    }
}

void CQuillonView::OnPreferences() {
    if (!store_ || !prompter_) {
        return;
    }
    PreferencesResult result = RunPreferences(this, *store_, settings_, *prompter_, [this] {
        ApplyFont();
        viewport()->update();
    });
    if (!result.accepted) {
        return;
    }
    setShowGrid(settings_.gridlines);
    comparison_.options = settings_.ToComparisonOptions();
    if (model_->RowCount() > 0) {
        refresh_.Refresh2Dirs();
        comparison_.RecomputeFileStatuses(comparison_.rootItem);
        FillListFromTree();
    }
    viewport()->update();
}

bool CQuillonView::OnFilter() {
    if (!store_ || !prompter_) {
        return false;
    }
    FilterResult result =
        RunFilter(this, *store_, *prompter_, comparison_.filter, settings_.useDilutedColor,
                  comparison_.readWholeTrees, nextSide_);
    if (!result.accepted) {
        return false;
    }
    refresh_.ReloadComparison();
    return true;
}

void CQuillonView::OnSaveOutputAsText() {
    if (!store_ || !prompter_) {
        return;
    }
    ReportInput input = CollectReportInput(comparison_.rootItem, paths_[0], paths_[1]);
    RunOutputFormat(
        this, *store_, input, [this](const std::string& path) { return ViewFile(path); },
        *prompter_);
}

std::string CQuillonView::FindTool(std::string_view exe) const {
    return toolLocator_ ? toolLocator_(exe) : LocateTool(exe);
}

bool CQuillonView::LaunchFiles(const std::vector<std::string>& files, SiblingLaunchMode mode) {
    if (files.empty()) {
        return false;
    }
    if (fileOpener_) {
        fileOpener_(files);
        return true;
    }
    auto isBinary = [](const std::string& path) {
        return DetectTextEncoding(path).encoding == kEncodingBinary;
    };
    std::vector<std::string> handed(files.begin(),
                                    files.begin() + std::min<size_t>(files.size(), 2));
    const bool binary = isBinary(handed[0]);
    if (handed.size() == 2 && isBinary(handed[1]) != binary) {
        handed.resize(1);
    }
    SiblingTools tools;
    // Only the tool that is used is looked up: a failed lookup writes a log line.
    (binary ? tools.viewerPath : tools.editorPath) = FindTool(binary ? kViewerExe : kEditorExe);
    return LaunchSiblingForFiles(handed, binary, tools, mode, prompter_,
                                 launcher_ ? *launcher_ : DefaultLauncher());
}

bool CQuillonView::ViewFile(const std::string& path) {
    SiblingTools tools;
    tools.viewerPath = FindTool(kViewerExe);
    return LaunchSiblingForFiles({path}, true, tools, SiblingLaunchMode::kStartUp, prompter_,
                                 launcher_ ? *launcher_ : DefaultLauncher());
}

int CQuillonView::AskWhichSide(int allowed, bool firstSelectedOnly, bool keepDotDot,
                               const std::string& question) {
    std::vector<int> rows = SelectedRows();
    if (rows.empty() && currentIndex().isValid()) {
        rows.push_back(currentIndex().row());
    }
    if (firstSelectedOnly && rows.size() > 1) {
        rows.resize(1);
    }
    SideCandidates candidates;
    for (int row : rows) {
        const DiffItem* item = model_->ItemAt(row);
        if (!item) {
            continue;
        }
        for (int side = 0; side < 2; ++side) {
            if (!item->Has(side)) {
                continue;
            }
            if (!keepDotDot && item->IsDotDot() && IsRootPath(item->Dir(side))) {
                continue;
            }
            if (candidates.present[side]) {
                candidates.text[side] += ' ';
            }
            candidates.text[side] += item->Name(side);
            candidates.present[side] = true;
        }
    }
    int answer = SideWithoutDialog(candidates);
    if (answer != kAskUser) {
        return answer;
    }
    QString text = QString::fromStdString(question);
    if (sideChooser_) {
        return sideChooser_(text, allowed);
    }
    CWhichViewQuestion dialog(this, text, allowed);
    return dialog.Ask();
}

void CQuillonView::SetRootPath(int side, const DiffItem& item) {
    paths_[side] = ExtendPath(item.Dir(side), item.Name(side));
}

void CQuillonView::SetAsRoot() {
    const DiffItem* item = model_->ItemAt(SelectedRow());
    if (!item) {
        return;
    }
    int side = AskWhichSide(kAskUser, true, true, kSetAsRootQuestion);
    if (side >= 0) {
        MakeRoot(side, *item);
    }
}

void CQuillonView::MakeCurrentFolderRoot(int side) {
    const DiffItem* item = model_->ItemAt(SelectedRow());
    if (item && item->Has(side)) {
        MakeRoot(side, *item);
    }
}

void CQuillonView::MakeRoot(int side, const DiffItem& item) {
    // A file cannot be the folder a side compares.
    if (item.isFile) {
        return;
    }
    const std::string& text = side == kSideBoth ? item.name : item.Name(side);
    Log("Entering SetAsRoot()... with view# %d, and text=[%s]", side, text.c_str());
    if (side == kSideBoth) {
        SetRootPath(kSideLeft, item);
        SetRootPath(kSideRight, item);
        Log("UpdatePath() yields pMain->m_strFiles[0] = [%s]", paths_[0].c_str());
        Log("UpdatePath() yields pMain->m_strFiles[1] = [%s]", paths_[1].c_str());
    } else {
        SetRootPath(side, item);
        Log("UpdatePath() yields pMain->m_strFiles[%d] = [%s]", side, paths_[side].c_str());
    }
    int comboSide = side == kSideBoth ? kSideLeft : side;
    emit pathForCombo(paths_[comboSide], comboSide);
    for (std::string& path : paths_) {
        path = StripOneTrailingSeparator(path);
    }
    const FilterState& filter = comparison_.filter;
    comparison_.readWholeTrees = filter.filterActive && filter.expandAll && nextSide_ == kSideBoth;
    // The comparison is read afresh: `item` is gone after this.
    CompareCurrentPaths(0);
    Log("Leaving SetAsRoot()...");
}

void CQuillonView::SetLinkMode(bool on) {
    linkMode_ = on;
    linkStage_ = 0;
    linkPaths_[0].clear();
    linkPaths_[1].clear();
    if (on) {
        viewport()->setCursor(LinkCursor(0));
    } else {
        viewport()->unsetCursor();
    }
}

int CQuillonView::SideAtX(int viewportX) const {
    int x = viewportX + horizontalOffset();
    if (x < halfWidth_) {
        return kSideLeft;
    }
    if (x < 2 * halfWidth_) {
        return kSideRight;
    }
    return -1;
}

void CQuillonView::LinkClick(const QPoint& viewportPos) {
    int side = SideAtX(viewportPos.x());
    const DiffItem* item = model_->ItemAt(rowAt(viewportPos.y()));
    if (side < 0 || !item || !item->Has(side)) {
        return;
    }
    std::string path = item->IsDotDot() ? ExtendPath(item->Dir(side), "..") : item->FullPath(side);
    bool isFile = item->isFile != 0;
    if (linkStage_ == 0) {
        linkPaths_[0] = path;
        linkIsFile_ = isFile;
        linkStage_ = 1;
        viewport()->setCursor(LinkCursor(1));
        return;
    }
    if (isFile != linkIsFile_) {
        QApplication::beep();
        return;
    }
    linkPaths_[1] = path;
    if (isFile) {
        LaunchFiles({linkPaths_[0], linkPaths_[1]}, SiblingLaunchMode::kStartUp);
    } else if (instanceStarter_) {
        instanceStarter_(linkPaths_[0], linkPaths_[1]);
    } else {
        LaunchRequest request;
        request.commandLine = "\"" + OwnProgramPath() + "\" " + QuoteArgument(linkPaths_[0]) + " " +
                              QuoteArgument(linkPaths_[1]);
        (launcher_ ? *launcher_ : DefaultLauncher()).Launch(request);
    }
    SetLinkMode(false);
}

int CQuillonView::GlyphRowAt(const QPoint& viewportPos, int* side) const {
    QModelIndex index = indexAt(viewportPos);
    if (!index.isValid() || model_->KindOf(index.column()) != ColumnKind::kName) {
        return -1;
    }
    const DiffItem* item = model_->ItemAt(index.row());
    int cellSide = model_->SideOf(index.column());
    if (!item || !DiffRowDelegate::HasGlyph(*item, cellSide)) {
        return -1;
    }
    NameCellLayout layout = DiffRowDelegate::LayoutName(visualRect(index), item->level);
    if (!layout.glyph.adjusted(-2, -2, 2, 2).contains(viewportPos)) {
        return -1;
    }
    if (side) {
        *side = cellSide;
    }
    return index.row();
}

void CQuillonView::mousePressEvent(QMouseEvent* event) {
    if (linkMode_ && event->button() == Qt::LeftButton) {
        LinkClick(event->position().toPoint());
        return;
    }
    if (event->button() == Qt::LeftButton) {
        int row = GlyphRowAt(event->position().toPoint(), nullptr);
        if (row >= 0) {
            ToggleFolder(row, false);
            return;
        }
    }
    QTableView::mousePressEvent(event);
}

void CQuillonView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (linkMode_ || event->button() != Qt::LeftButton) {
        return;
    }
    if (GlyphRowAt(event->position().toPoint(), nullptr) >= 0) {
        return;
    }
    QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid()) {
        OnEnterItem(index.row());
    }
}

bool CQuillonView::HandleTreeKey(QKeyEvent* event) {
    if (event->key() != Qt::Key_Left && event->key() != Qt::Key_Right) {
        return false;
    }
    if (event->modifiers() & (Qt::AltModifier | Qt::ShiftModifier)) {
        return false;
    }
    int row = currentIndex().isValid() ? currentIndex().row() : -1;
    DiffItem* item = model_->ItemAt(row);
    if (!item || item->IsDotDot()) {
        return true;
    }
    bool expanded = !item->isFile && (item->expanded[kSideLeft] || item->expanded[kSideRight]);
    if (event->key() == Qt::Key_Right) {
        if (item->isFile) {
            return true;
        }
        if (expanded) {
            SelectOnly(std::min(row + 1, model_->RowCount() - 1));
        } else {
            bool recurse = (event->modifiers() & Qt::ControlModifier) || comparison_.readWholeTrees;
            ToggleFolder(row, recurse);
        }
        return true;
    }
    if (expanded) {
        ToggleFolder(row, false);
    } else if (item->parent && item->parent->parent) {
        SelectOnly(item->parent->row);
    }
    return true;
}

void CQuillonView::HandleEscape() {
    if (QToolTip::isVisible()) {
        QToolTip::hideText();
        return;
    }
    if (!escArmed_) {
        escArmed_ = true;
        return;
    }
    escArmed_ = false;
    emit exitRequested();
}

void CQuillonView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        HandleEscape();
        return;
    }
    escArmed_ = false;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (currentIndex().isValid()) {
            OnEnterItem(currentIndex().row());
        }
        return;
    }
    if (HandleTreeKey(event)) {
        return;
    }
    QTableView::keyPressEvent(event);
}

bool CQuillonView::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) {
                escArmed_ = false;
            }
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
            escArmed_ = false;
            break;
        default:
            break;
    }
    return QTableView::eventFilter(watched, event);
}

QString CQuillonView::TipText(const QModelIndex& index) const {
    const DiffItem* item = model_->ItemAt(index.row());
    if (!item) {
        return {};
    }
    int column = index.column();
    int side = model_->SideOf(column);
    std::string text = model_->CellText(index.row(), column);
    if (model_->KindOf(column) == ColumnKind::kTime && item->isFile && item->Has(side)) {
        text = item->TimeText(side);
    }
    QString tip = QString::fromStdString(text);
    if (tip.isEmpty() || QFontMetrics(font()).horizontalAdvance(tip) + 6 <= columnWidth(column)) {
        return {};
    }
    return tip.left(kTipMaxChars);
}

bool CQuillonView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        QString tip = TipText(indexAt(help->pos()));
        if (tip.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), tip, viewport());
        }
        return true;
    }
    return QTableView::viewportEvent(event);
}

void CQuillonView::SetWaitCursor(bool on) {
    // The wait cursor marks long work; events may still be pumped under it (a progress window, a
    // question), so the window takes no command until it goes.
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        BusyGate::Enter();
        ++waitCursorDepth_;
    } else if (waitCursorDepth_ > 0) {
        QApplication::restoreOverrideCursor();
        BusyGate::Leave();
        --waitCursorDepth_;
    }
}

void CQuillonView::BeginBatchUpdate() {
    setUpdatesEnabled(false);
    emit batchUpdate(true);
}

void CQuillonView::EndBatchUpdate() {
    setUpdatesEnabled(true);
    emit batchUpdate(false);
    viewport()->update();
}

void CQuillonView::ClearList() {
    scrollToTop();
    model_->Clear();
}

void CQuillonView::FillListFromTree() {
    model_->SetColumns(settings_.ColumnsPerSide(), settings_.detailTimestamp != 0);
    model_->Fill(comparison_.rootItem);
    ApplyColumnWidths();
}

void CQuillonView::InsertChildRows(DiffItem* item, int row) {
    model_->InsertChildRows(item, row);
}

void CQuillonView::DeleteDescendantRows(DiffItem* item, int row) {
    model_->RemoveDescendantRows(item, row);
}

void CQuillonView::ReselectRow(DiffItem* item, int row) {
    if (model_->ItemAt(row) != item) {
        model_->Fill(comparison_.rootItem);
        row = item->row;
    }
    model_->RowChanged(row);
    SelectOnly(row);
}

void CQuillonView::ShowStatusPaths(const std::string& left, const std::string& right) {
    emit statusPathsChanged(Shown(left), Shown(right));
}

void CQuillonView::ClearStatusPane(int side) {
    emit statusPaneCleared(side);
}

int CQuillonView::SelectedRow() const {
    std::vector<int> rows = SelectedRows();
    if (!rows.empty()) {
        return rows.front();
    }
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void CQuillonView::SelectRow(int row) {
    SelectOnly(std::min(row, model_->RowCount() - 1));
}

void CQuillonView::RefillRows() {
    model_->Fill(comparison_.rootItem);
}

void CQuillonView::RemoveRows(DiffItem* item) {
    model_->RemoveItemRows(item);
}

}  // namespace quillon
