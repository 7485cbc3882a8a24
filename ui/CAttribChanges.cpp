#include "ui/CAttribChanges.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>

#include "platform/Log.h"
#include "platform/ProgressSink.h"

namespace quillon {

namespace {

Qt::CheckState CheckStateOf(AttributeState state) {
    switch (state) {
        case AttributeState::kSet:
            return Qt::Checked;
        case AttributeState::kMixed:
            return Qt::PartiallyChecked;
        case AttributeState::kClear:
            break;
    }
    return Qt::Unchecked;
}

AttributeState AttributeOf(Qt::CheckState state) {
    switch (state) {
        case Qt::Checked:
            return AttributeState::kSet;
        case Qt::PartiallyChecked:
            return AttributeState::kMixed;
        case Qt::Unchecked:
            break;
    }
    return AttributeState::kClear;
}

QString FromBytes(const std::string& text) {
    return QFile::decodeName(QByteArray::fromStdString(text));
}

}  // namespace

CAttribChanges::CAttribChanges(QWidget* parent, FileSystem& fs, std::string location,
                               std::vector<std::string> names, ProgressFactory* progress)
    : QDialog(parent),
      fs_(fs),
      locationPath_(std::move(location)),
      names_(std::move(names)),
      progress_(progress) {
    setWindowTitle(kPropertiesTitle);
    properties_ = ComputeFileProperties(fs_, locationPath_, names_, nullptr);
    for (const std::string& path : properties_.unreadable) {
        Log("Properties: cannot examine [%s]", path.c_str());
    }

    location_ = new QLabel(FromBytes(properties_.location), this);
    location_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    size_ = new QLabel(QString::fromStdString(PropertiesSizeText(properties_.totalBytes)), this);
    readOnly_ = new QCheckBox(kPropertiesReadOnlyLabel, this);
    hidden_ = new QCheckBox(kPropertiesHiddenLabel, this);
    for (QCheckBox* box : {readOnly_, hidden_}) {
        box->setTristate(true);
    }
    readOnly_->setCheckState(CheckStateOf(properties_.readOnly));
    // A box that starts mixed may go back to mixed; one that does not is two-state.
    readOnly_->setTristate(properties_.readOnly == AttributeState::kMixed);
    hidden_->setCheckState(CheckStateOf(properties_.hidden));
    hidden_->setEnabled(kHiddenAttributeChangeable);
    hidden_->setToolTip("A name that begins with a dot is hidden; rename the item to change it.");
    summary_ = new QPlainTextEdit(this);
    summary_->setReadOnly(true);
    QString summary = QString::fromStdString(PropertiesSummaryText(properties_));
    summary_->setPlainText(summary.replace("\r\n", "\n"));

    auto* attributes = new QWidget(this);
    auto* attributesLayout = new QHBoxLayout(attributes);
    attributesLayout->setContentsMargins(0, 0, 0, 0);
    attributesLayout->addWidget(readOnly_);
    attributesLayout->addWidget(hidden_);
    attributesLayout->addStretch(1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(kPropertiesLocationLabel, location_);
    form->addRow(kPropertiesSizeLabel, size_);
    form->addRow(kPropertiesAttributesLabel, attributes);
    form->addRow(kPropertiesSummaryLabel, summary_);
    form->addRow(buttons);
    resize(420, 320);
}

void CAttribChanges::accept() {
    const AttributeState readOnly = AttributeOf(readOnly_->checkState());
    failed_ = 0;
    if (readOnly != properties_.readOnly) {
        std::unique_ptr<ProgressSink> sink =
            progress_ ? progress_->Open(kPropertiesTitle) : std::unique_ptr<ProgressSink>();
        std::vector<std::string> failed;
        failed_ = ApplyReadOnly(fs_, locationPath_, names_, readOnly, sink.get(), &failed);
        for (const std::string& path : failed) {
            Log("Properties: cannot change [%s]", path.c_str());
        }
    }
    QDialog::accept();
}

}  // namespace quillon
