#include "ui/CUndoHistory.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/Prompter.h"
#include "ui/BusyGate.h"
#include "ui/HelpLink.h"

namespace quillon {

namespace {

struct Column {
    const char* title;
    int width;
    bool right;
};
constexpr Column kColumns[] = {
    {"#", 30, true},
    {"Last Action", 105, false},
    {"# Files", 45, true},
    {"File/Folder(s)", 397, false},
};

QTableWidgetItem* Cell(const std::string& text, bool right) {
    auto* cell = new QTableWidgetItem(QString::fromStdString(text));
    cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    // The columns keep their fixed widths; a text cut short shows whole when pointed at.
    cell->setToolTip(cell->text());
    cell->setTextAlignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return cell;
}

}  // namespace

int TopRowsSelected(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty()) {
        return -1;
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i] != static_cast<int>(i)) {
            return -1;
        }
    }
    return static_cast<int>(rows.size());
}

CUndoHistory::CUndoHistory(QWidget* parent, CQuillonDoc& doc, Prompter& prompter,
                           ProgressFactory* progress, AfterUndo afterUndo)
    : QDialog(parent),
      doc_(doc),
      prompter_(prompter),
      progress_(progress),
      afterUndo_(std::move(afterUndo)) {
    setWindowTitle(kUndoHistoryTitle);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(kUndoHistoryPrompt, this));

    list_ = new QTableWidget(0, static_cast<int>(std::size(kColumns)), this);
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setWordWrap(false);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setHighlightSections(false);
    list_->horizontalHeader()->setStretchLastSection(false);
    int width = 0;
    for (int c = 0; c < static_cast<int>(std::size(kColumns)); ++c) {
        auto* header = new QTableWidgetItem(kColumns[c].title);
        header->setTextAlignment((kColumns[c].right ? Qt::AlignRight : Qt::AlignLeft) |
                                 Qt::AlignVCenter);
        list_->setHorizontalHeaderItem(c, header);
        list_->setColumnWidth(c, kColumns[c].width);
        width += kColumns[c].width;
    }
    list_->setMinimumWidth(width + list_->verticalScrollBar()->sizeHint().width() +
                           2 * list_->frameWidth());
    layout->addWidget(list_, 1);

    const char* texts[kButtonCount] = {"&Undo", "Detail Undo &Info", "Remove &All", "&Close",
                                       "&Help"};
    auto* row = new QHBoxLayout;
    for (int id = 0; id < kButtonCount; ++id) {
        buttons_[id] = new QPushButton(texts[id], this);
        buttons_[id]->setAutoDefault(false);
        row->addWidget(buttons_[id]);
    }
    buttons_[kUndo]->setDefault(true);
    layout->addLayout(row);
    connect(buttons_[kUndo], &QPushButton::clicked, this, &CUndoHistory::OnUndo);
    connect(buttons_[kDetail], &QPushButton::clicked, this, &CUndoHistory::OnDetail);
    connect(buttons_[kRemoveAll], &QPushButton::clicked, this, &CUndoHistory::OnRemoveAll);
    connect(buttons_[kClose], &QPushButton::clicked, this, &QDialog::reject);
    connect(buttons_[kHelp], &QPushButton::clicked, this,
            [] { OpenHelp(QString::fromLatin1(kHelpUndoHistory)); });

    Fill();
    if (list_->rowCount() > 0) {
        list_->setCurrentCell(0, 0,
                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    list_->setFocus();
}

void CUndoHistory::Fill() {
    const std::vector<UndoHistoryRow> rows = doc_.HistoryRows();
    list_->clearContents();
    list_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const UndoHistoryRow& h = rows[r];
        list_->setItem(r, 0, Cell(std::to_string(h.opNumber), kColumns[0].right));
        list_->setItem(r, 1, Cell(h.action, kColumns[1].right));
        list_->setItem(r, 2, Cell(h.files, kColumns[2].right));
        list_->setItem(r, 3, Cell(h.items, kColumns[3].right));
    }
}

std::vector<int> CUndoHistory::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CUndoHistory::Show(const std::string& text, const char* caption, uint32_t style) {
    PromptRequest request;
    request.text = text;
    request.caption = caption;
    request.style = style;
    prompter_.Ask(request);
}

void CUndoHistory::OnUndo() {
    const int count = TopRowsSelected(SelectedRows());
    if (count < 0) {
        Show(kUndoNotFromTop, "Quillon", mb::kOk | mb::kIconStop);
        return;
    }
    UndoOutcome outcome;
    {
        BusyGate::Scope busy;
        outcome = doc_.UndoTopGroups(count, prompter_);
    }
    if (afterUndo_) {
        afterUndo_(outcome);
    }
    Fill();
}

void CUndoHistory::OnDetail() {
    const std::vector<int> rows = SelectedRows();
    Show(rows.empty() ? std::string(kNoUndoSelected) : doc_.HistoryDetail(rows),
         kUndoInternalsCaption, mb::kOk);
}

void CUndoHistory::OnRemoveAll() {
    {
        BusyGate::Scope busy;
        doc_.RemoveAllGroups(progress_);
    }
    Fill();
}

}  // namespace quillon
