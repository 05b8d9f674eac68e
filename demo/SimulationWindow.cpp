#include "demo/SimulationWindow.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QVBoxLayout>

#include <algorithm>

// Lamps drawn lit or dark, in the colour of the light they stand for.
class LampView : public QWidget {
public:
    explicit LampView(QWidget* parent) : QWidget(parent) { setMinimumSize(400, 200); }

    void show(const sim::Lights& lights) {
        lights_ = lights;
        update();
    }
    const sim::Lights& lights() const { return lights_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const int columns = 3;
        const int cellWidth = width() / columns;
        const int cellHeight = height() / 4;
        for (std::size_t i = 0; i < sim::kLightNames.size(); ++i) {
            const auto [letter, name] = sim::kLightNames[i];
            const QRect cell(int(i % columns) * cellWidth, int(i / columns) * cellHeight,
                             cellWidth, cellHeight);
            const QRect lamp(cell.center().x() - 12, cell.top() + 6, 24, 24);
            painter.setPen(QPen(Qt::darkGray, 1.5));
            painter.setBrush(lights_[letter] ? colourOf(letter) : QColor(70, 70, 70));
            painter.drawEllipse(lamp);
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(QRect(cell.left(), lamp.bottom() + 4, cell.width(), 18),
                             Qt::AlignHCenter, QString::fromUtf8(name));
        }
    }

private:
    static QColor colourOf(char letter) {
        switch (letter) {
        case 'e': case 'f': return QColor(255, 150, 0);   // indicators
        case 'c': case 'l': return QColor(70, 140, 255);  // main beam
        case 'h': return QColor(230, 30, 30);             // rear fog
        case 'a': case 'k': return QColor(60, 200, 80);   // dipped beam
        default: return QColor(255, 235, 120);
        }
    }
    sim::Lights lights_;
};

namespace {

struct Choice {
    const char* label;
    const char* behaviour;
};

constexpr std::array<Choice, 5> kChoices = {{
    {"Antwortet sofort \"ok\"", "ok"},
    {"Antwortet nie", "silent"},
    {"Antwortet \"ok\" + CR LF", "crlf"},
    {"Antwortet langsam (10 ms)", "slow"},
    {"Leitung mit 9600 Baud", "paced"},
}};

QString printable(const std::string& bytes) {
    QString text;
    for (const char c : bytes) {
        if (c == '\r') text += "\\r";
        else if (c == '\n') text += "\\n";
        else if (c >= 0x20 && c < 0x7F) text += QChar(c);
        else text += QString("\\x%1").arg(static_cast<unsigned char>(c), 2, 16, QChar('0'));
    }
    return text;
}

} // namespace

SimulationWindow::SimulationWindow(sim::Controller& controller, QWidget* parent)
    : QWidget(parent), controller_(controller), lamps_(new LampView(this)),
      frameLabel_(new QLabel(this)), log_(new QPlainTextEdit(this)), behaviour_(new QComboBox(this)) {
    setWindowTitle(QString::fromUtf8("Steuerger\u00e4t (Simulation)"));
    log_->setReadOnly(true);
    log_->setMaximumBlockCount(2000);
    log_->setFont(QFont("Liberation Mono", 9));
    for (const Choice& choice : kChoices) behaviour_->addItem(QString::fromUtf8(choice.label));

    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("Verhalten:"), behaviour_);
    form->addRow(QString::fromUtf8("Empfangene Rahmen:"), frameLabel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lamps_);
    layout->addLayout(form);
    layout->addWidget(log_, 1);
    resize(440, 500);

    QObject::connect(behaviour_, &QComboBox::currentIndexChanged, this,
                     [this](int index) { chooseBehaviour(index); });
    // The controller's thread only asks; the window reads on its own thread, also inside
    // the nested loops of the panel's modal boxes.
    QPointer<SimulationWindow> self(this);
    controller_.OnActivity([self] {
        QMetaObject::invokeMethod(self, [self] { if (self) self->refresh(); }, Qt::QueuedConnection);
    });
    refresh();
}

SimulationWindow::~SimulationWindow() { controller_.OnActivity({}); }

bool SimulationWindow::LampLit(char letter) const { return lamps_->lights()[letter]; }

QString SimulationWindow::Log() const { return log_->toPlainText(); }

void SimulationWindow::chooseBehaviour(int index) {
    if (index < 0 || index >= int(kChoices.size())) return;
    if (const auto chosen = sim::BehaviourNamed(kChoices[std::size_t(index)].behaviour))
        controller_.SetBehaviour(*chosen);
}

void SimulationWindow::refresh() {
    const auto received = controller_.Received();
    const auto answers = controller_.Answers();
    // Both directions in the order they happened.
    while (received_ < received.size() || answers_ < answers.size()) {
        const bool takeReceived =
            answers_ == answers.size() ||
            (received_ < received.size() && received[received_].at <= answers[answers_].at);
        if (takeReceived)
            log_->appendPlainText(QString::fromUtf8("\u2190 ") + printable(received[received_++].bytes));
        else
            log_->appendPlainText(QString::fromUtf8("\u2192 ") + printable(answers[answers_++].bytes));
    }
    const auto frames = controller_.Frames();
    if (int(frames.size()) != frames_) {
        frames_ = int(frames.size());
        lamps_->show(frames.back());
    }
    frameLabel_->setText(QString::number(frames_));
}
