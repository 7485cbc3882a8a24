// The double ESC that closes the window: the first ESC arms it, the second exits. Any other key,
// click or wheel anywhere in the program, or a scroll of the list, disarms it.
#pragma once

#include <QObject>

class QAbstractScrollArea;

namespace quillon {

class EscExit : public QObject {
    Q_OBJECT

  public:
    explicit EscExit(QAbstractScrollArea* list);
    ~EscExit() override;

    bool Armed() const { return armed_; }
    void Disarm() { armed_ = false; }
    // True for the second ESC in a row, which disarms again.
    bool Press();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool armed_ = false;
};

}  // namespace quillon
