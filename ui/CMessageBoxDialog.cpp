#include "ui/CMessageBoxDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "platform/SettingsStore.h"

namespace quillon {
namespace {

constexpr int kTickMilliseconds = 1000;
constexpr int kMessageMinWidth = 280;
constexpr int kMessageMaxWidth = 480;

QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

PromptRequest MakeRequest(const std::string& message, const std::string& caption, uint32_t style,
                          const std::string& key, int id, const std::string& helpTopic) {
    PromptRequest request;
    request.text = message;
    request.caption = caption;
    request.style = style;
    request.key = key;
    request.id = id;
    request.helpTopic = helpTopic;
    return request;
}

// The icon named by the style's icon bits; none for no or unknown bits.
std::optional<QStyle::StandardPixmap> PixmapOf(uint32_t style) {
    switch (style & mb::kIconMask) {
        case mb::kIconStop:
            return QStyle::SP_MessageBoxCritical;
        case mb::kIconQuestion:
            return QStyle::SP_MessageBoxQuestion;
        case mb::kIconExclamation:
            return QStyle::SP_MessageBoxWarning;
        case mb::kIconInformation:
            return QStyle::SP_MessageBoxInformation;
        default:
            return std::nullopt;
    }
}

}  // namespace

CMessageBoxDialog::CMessageBoxDialog(QWidget* parent, const PromptRequest& request,
                                     SettingsStore* store)
    : QDialog(parent), logic_(request), store_(store) {
    BuildUi();
}

CMessageBoxDialog::CMessageBoxDialog(QWidget* parent, const std::string& message,
                                     const std::string& caption, uint32_t style,
                                     SettingsStore* store, const std::string& key, int id,
                                     const std::string& helpTopic)
    : CMessageBoxDialog(parent, MakeRequest(message, caption, style, key, id, helpTopic), store) {}

void CMessageBoxDialog::BuildUi() {
    const PromptRequest& request = logic_.Request();
    setWindowTitle(ToQString(request.caption));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    if (request.style & mb::kTopMost) {
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    setModal(true);
    if (request.style & mb::kSystemModal) {
        setWindowModality(Qt::ApplicationModal);
    }

    auto* outer = new QVBoxLayout(this);
    outer->setSizeConstraint(QLayout::SetFixedSize);
    outer->setContentsMargins(18, 18, 18, 14);
    outer->setSpacing(16);

    auto* body = new QHBoxLayout;
    body->setSpacing(16);
    if (const std::optional<QStyle::StandardPixmap> icon = PixmapOf(request.style)) {
        auto* iconLabel = new QLabel(this);
        int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        iconLabel->setPixmap(style()->standardIcon(*icon, nullptr, this).pixmap(size));
        iconLabel->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
        body->addWidget(iconLabel, 0, Qt::AlignTop);
    }
    auto* textColumn = new QVBoxLayout;
    textColumn->setSpacing(12);
    messageLabel_ = new QLabel(ToQString(request.text), this);
    messageLabel_->setTextFormat(Qt::PlainText);
    messageLabel_->setWordWrap(true);
    messageLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A word-wrapped label has no natural width; bound it so short texts stay compact and long
    // ones wrap instead of stretching the box across the screen.
    int textWidth = messageLabel_->fontMetrics()
                        .boundingRect(QRect(0, 0, kMessageMaxWidth, 10000), Qt::TextWordWrap,
                                      messageLabel_->text())
                        .width();
    messageLabel_->setFixedWidth(std::clamp(textWidth + 2, kMessageMinWidth, kMessageMaxWidth));
    textColumn->addWidget(messageLabel_);
    if (HasCheckBox(request.style)) {
        checkBox_ = new QCheckBox(QString::fromUtf8(CheckBoxText(request.style).data(),
                                                    CheckBoxText(request.style).size()),
                                  this);
        textColumn->addWidget(checkBox_);
    }
    body->addLayout(textColumn, 1);
    outer->addLayout(body);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->setSpacing(8);
    buttonRow->addStretch(1);
    const std::vector<MessageBoxButton>& specs = logic_.Buttons();
    for (size_t i = 0; i < specs.size(); ++i) {
        auto* button = new QPushButton(ToQString(specs[i].text), this);
        button->setAutoDefault(false);
        button->setMinimumWidth(88);
        connect(button, &QPushButton::clicked, this, [this, i] { OnButton(i); });
        buttonRow->addWidget(button);
        buttons_.push_back(button);
    }
    outer->addLayout(buttonRow);

    QPushButton* defaultButton = buttons_[logic_.DefaultIndex()];
    defaultButton->setDefault(true);
    defaultButton->setText(ToQString(logic_.DefaultButtonCaption()));
    defaultButton->setFocus();

    timer_ = new QTimer(this);
    timer_->setObjectName("countdown");
    timer_->setInterval(kTickMilliseconds);
    connect(timer_, &QTimer::timeout, this, &CMessageBoxDialog::OnTick);
    if (logic_.ControlsDisabled()) {
        SetControlsEnabled(false);
    }
}

QPushButton* CMessageBoxDialog::ButtonFor(int result) const {
    const std::vector<MessageBoxButton>& specs = logic_.Buttons();
    for (size_t i = 0; i < specs.size(); ++i) {
        if (specs[i].result == result) {
            return buttons_[i];
        }
    }
    return nullptr;
}

int CMessageBoxDialog::DoModal() {
    if (store_) {
        if (std::optional<int> remembered = logic_.RememberedAnswer(*store_)) {
            return *remembered;
        }
    }
    return exec();
}

std::optional<int> CMessageBoxDialog::OpenBox() {
    if (store_) {
        if (std::optional<int> remembered = logic_.RememberedAnswer(*store_)) {
            return remembered;
        }
    }
    open();
    return std::nullopt;
}

void CMessageBoxDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (logic_.Counting() && !timer_->isActive()) {
        timer_->start();
    }
    if (logic_.Request().style & mb::kSetForeground) {
        raise();
        activateWindow();
    }
}

void CMessageBoxDialog::OnButton(size_t index) {
    int result = logic_.Buttons()[index].result;
    // Help informs the owner and leaves the question open, so a help request is never
    // remembered as the answer.
    if (result == mbr::kHelp) {
        emit helpRequested(ToQString(logic_.Request().helpTopic));
        return;
    }
    EndWith(result);
}

void CMessageBoxDialog::reject() {
    if (logic_.ControlsDisabled()) {
        return;
    }
    if (std::optional<int> result = CloseResult(logic_.Buttons())) {
        EndWith(*result);
    }
}

void CMessageBoxDialog::OnTick() {
    MessageBoxLogic::TickAction action = logic_.Tick();
    buttons_[logic_.DefaultIndex()]->setText(ToQString(logic_.DefaultButtonCaption()));
    switch (action) {
        case MessageBoxLogic::TickAction::KeepCounting:
            break;
        case MessageBoxLogic::TickAction::EnableControls:
            timer_->stop();
            SetControlsEnabled(true);
            buttons_[logic_.DefaultIndex()]->setFocus();
            break;
        case MessageBoxLogic::TickAction::EndWithDefault:
            timer_->stop();
            EndWith(logic_.DefaultResult());
            break;
        case MessageBoxLogic::TickAction::Stopped:
            timer_->stop();
            break;
    }
}

void CMessageBoxDialog::EndWith(int result) {
    timer_->stop();
    if (store_) {
        logic_.RecordResult(*store_, result, checkBox_ && checkBox_->isChecked());
    }
    done(result);
}

void CMessageBoxDialog::SetControlsEnabled(bool enabled) {
    for (QPushButton* button : buttons_) {
        button->setEnabled(enabled);
    }
    if (checkBox_) {
        checkBox_->setEnabled(enabled);
    }
}

int MessageBoxPrompter::Ask(const PromptRequest& request) {
    CMessageBoxDialog dialog(parent_ ? parent_ : QApplication::activeWindow(), request, store_);
    return dialog.DoModal();
}

}  // namespace quillon
