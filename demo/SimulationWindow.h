#pragma once
// The simulated controller's own window: a lamp for each light function as the controller
// last received it (indicators blinking while on), a log of the bytes that went back and
// forth, and the controller's behaviour to choose. It follows the controller while the panel's
// message boxes are open.

#include "demo/ExchangeLog.h"
#include "sim/Controller.h"

#include <QTimer>
#include <QWidget>

#include <array>

class QComboBox;
class QLabel;
class QPlainTextEdit;

class LampView;

class SimulationWindow : public QWidget {
public:
    explicit SimulationWindow(sim::Controller& controller, QWidget* parent = nullptr);
    ~SimulationWindow() override;

    // 1.5 flashes a second, as a vehicle's indicators.
    static constexpr int kBlinkHalfPeriodMs = 333;

    // As the controller last received it.
    bool LampLit(char letter) const;
    // As drawn now: an indicator that is on is dark half of the time.
    bool LampShown(char letter) const;
    const QTimer& BlinkTimer() const { return blink_; }
    int FrameCount() const { return frames_; }
    QString Log() const;

private:
    void refresh();
    void showLog();
    void chooseBehaviour(int index);

    sim::Controller& controller_;
    LampView* lamps_;
    QLabel* frameLabel_;
    QPlainTextEdit* log_;
    QComboBox* behaviour_;
    QTimer blink_;
    ExchangeLog exchanges_;
    std::uint64_t logShown_ = 0;
    std::size_t received_ = 0;
    std::size_t answers_ = 0;
    int frames_ = 0;
};
