#include "ui/CProgressWnd.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <climits>

#include "platform/SettingsStore.h"
#include "ui/BusyGate.h"

namespace quillon {
namespace {

constexpr int kWindowWidth = 390;
constexpr int kWindowHeight = 130;
constexpr int kTextLines = 3;

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CProgressWnd::CProgressWnd(SettingsStore* store)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      store_(store) {
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(10);

    textLabel_ = new QLabel(this);
    textLabel_->setTextFormat(Qt::PlainText);
    textLabel_->setWordWrap(true);
    textLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Room for a message and the count line, so the window does not jump as texts change.
    textLabel_->setMinimumHeight(textLabel_->fontMetrics().lineSpacing() * kTextLines);
    layout->addWidget(textLabel_, 1);

    bar_ = new QProgressBar(this);
    bar_->setTextVisible(false);
    layout->addWidget(bar_);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    cancelButton_ = new QPushButton(tr("Cancel"), this);
    cancelButton_->setMinimumWidth(88);
    connect(cancelButton_, &QPushButton::clicked, this, [this] { cancelled_ = true; });
    buttonRow->addWidget(cancelButton_);
    layout->addLayout(buttonRow);

    setMinimumSize(kWindowWidth, kWindowHeight);
    resize(kWindowWidth, sizeHint().height());
    Refresh();
}

CProgressWnd::~CProgressWnd() {
    DestroyWindow();
    if (CurrentProgress() == this) {
        SetCurrentProgress(nullptr);
    }
}

bool CProgressWnd::Create(QWidget* parent, std::string_view caption, bool smooth) {
    (void)smooth;  // the bar is always drawn smooth here
    if (!created_) {
        // From here on Update pumps events: the other windows must wait for the work.
        BusyGate::Enter();
    }
    owner_ = parent ? parent : QApplication::activeWindow();
    logic_.SetCaption(caption);
    Refresh();
    Place();
    if (owner_) {
        // Keeps the window above its owner without making the owner its Qt parent.
        winId();
        if (QWindow* ownerWindow = owner_->window()->windowHandle()) {
            windowHandle()->setTransientParent(ownerWindow);
        }
    }
    show();
    created_ = true;
    SetCurrentProgress(this);
    return true;
}

void CProgressWnd::Place() {
    if (store_) {
        ScreenPoint saved = ReadProgressPosition(*store_);
        QScreen* screen = QGuiApplication::primaryScreen();
        // The desktop of several monitors may start left of or above the primary one; the saved
        // position is judged relative to its corner.
        QRect desktop = screen ? screen->virtualGeometry() : QRect(0, 0, 0, 0);
        if (SavedProgressPlacement(saved.x - desktop.x(), saved.y - desktop.y(), desktop.width(),
                                   desktop.height())) {
            move(saved.x, saved.y);
            return;
        }
    }
    QRect area;
    if (owner_) {
        area = owner_->window()->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    QRect frame = frameGeometry();
    move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
}

void CProgressWnd::DestroyWindow() {
    if (!created_) {
        return;
    }
    created_ = false;
    if (store_) {
        SaveProgressPosition(*store_, {x(), y()});
    }
    hide();
    BusyGate::Leave();
}

void CProgressWnd::SetUnitText(std::string_view unit) {
    logic_.SetUnitText(unit);
    Refresh();
}

void CProgressWnd::SetRange(uint64_t total, std::string_view text, bool showCounts) {
    logic_.SetRange(total, text, showCounts);
    Refresh();
}

void CProgressWnd::SetText(std::string_view text) {
    logic_.SetText(text);
    MarkStale();
}

void CProgressWnd::StepIt() {
    logic_.StepIt();
    MarkStale();
}

void CProgressWnd::SetPos(uint64_t position) {
    logic_.SetPos(position);
    MarkStale();
}

bool CProgressWnd::Update(std::string_view text, uint64_t position) {
    logic_.Update(text, position);
    if (sincePump_.isValid() && sincePump_.elapsed() < kProgressPumpMs) {
        MarkStale();
        return cancelled_;
    }
    // Timed from the start of the pump, so that a slow repaint does not stretch the interval.
    sincePump_.start();
    Refresh();
    QCoreApplication::processEvents();
    return cancelled_;
}

void CProgressWnd::MarkStale() {
    stale_ = true;
    if (refreshQueued_) {
        return;
    }
    refreshQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshQueued_ = false;
        if (stale_) {
            Refresh();
        }
    });
}

void CProgressWnd::Refresh() {
    stale_ = false;
    setWindowTitle(ToQString(logic_.Caption()));
    textLabel_->setText(ToQString(logic_.DisplayText()));
    uint32_t maximum = logic_.BarMaximum();
    uint32_t position = logic_.BarPosition();
    // QProgressBar takes a signed int; a range above INT_MAX is halved once more.
    if (maximum > static_cast<uint32_t>(INT_MAX)) {
        maximum >>= 1;
        position >>= 1;
    }
    bar_->setRange(0, static_cast<int>(maximum));
    bar_->setValue(static_cast<int>(position));
}

void CProgressWnd::closeEvent(QCloseEvent* event) {
    // Closing means "stop": the operation sees the flag at its next Update and ends the window.
    cancelled_ = true;
    event->ignore();
}

std::unique_ptr<ProgressSink> CProgressFactory::Open(std::string_view caption) {
    auto window = std::make_unique<CProgressWnd>(store_);
    window->Create(owner_, caption);
    return window;
}

std::unique_ptr<ProgressSink> CProgressFactory::OpenWindowless() {
    return std::make_unique<EventPump>();
}

EventPump::EventPump() {
    sincePump_.start();
}

bool EventPump::Update(std::string_view /*text*/, uint64_t /*position*/) {
    if (sincePump_.elapsed() >= kProgressPumpMs) {
        sincePump_.start();
        QCoreApplication::processEvents();
    }
    return false;
}

}  // namespace quillon
