#pragma once
// The simulated controller's own window: a lamp for each light function as the controller
// last received it, a log of the bytes that went back and forth, and the controller's
// behaviour to choose. It follows the controller while the panel's message boxes are open.

#include "sim/Controller.h"

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

    bool LampLit(char letter) const;
    int FrameCount() const { return frames_; }
    QString Log() const;

private:
    void refresh();
    void chooseBehaviour(int index);

    sim::Controller& controller_;
    LampView* lamps_;
    QLabel* frameLabel_;
    QPlainTextEdit* log_;
    QComboBox* behaviour_;
    std::size_t received_ = 0;
    std::size_t answers_ = 0;
    int frames_ = 0;
};
