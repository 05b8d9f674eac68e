#include "demo/SimulationWindow.h"

#include "toolkit/qt/Controls_qt.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>
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

    void setFlashLit(bool lit) {
        flashLit_ = lit;
        update();
    }
    bool flashLit() const { return flashLit_; }
    bool shown(char letter) const { return lights_[letter] && (flashLit_ || !isIndicator(letter)); }
    static bool isIndicator(char letter) { return letter == 'e' || letter == 'f'; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const int columns = 3;
        const int cellWidth = width() / columns;
        const int rows = (static_cast<int>(kLamps.size()) + columns - 1) / columns;
        const int cellHeight = height() / rows;
        for (std::size_t i = 0; i < kLamps.size(); ++i) {
            const LightRow& row = RowOf(kLamps[i]);
            const QRect cell(int(i % columns) * cellWidth, int(i / columns) * cellHeight,
                             cellWidth, cellHeight);
            const QRect lamp(cell.center().x() - 12, cell.top() + 6, 24, 24);
            painter.setPen(QPen(Qt::darkGray, 1.5));
            painter.setBrush(shown(row.letter) ? colourOf(row.letter) : QColor(70, 70, 70));
            painter.drawEllipse(lamp);
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(QRect(cell.left(), lamp.bottom() + 4, cell.width(), 18),
                             Qt::AlignHCenter,
                             QString::fromUtf8(row.lamp.data(), static_cast<qsizetype>(row.lamp.size())));
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
    bool flashLit_ = true;
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

} // namespace

SimulationWindow::SimulationWindow(sim::Controller& controller, QWidget* parent)
    : QWidget(parent), controller_(controller), lamps_(new LampView(this)),
      frameLabel_(new QLabel(this)), log_(new QPlainTextEdit(this)), behaviour_(new QComboBox(this)) {
    setWindowTitle(QString::fromUtf8("Steuerger\u00e4t (Simulation)"));
    QFont sans = font();
    sans.setFamilies(SansSerifFaces());
    setFont(sans);
    log_->setReadOnly(true);
    log_->setMaximumBlockCount(int(ExchangeLog::kCapacity));
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
    // Both indicators flash from one timer, so they are always in step, as hazard lights are.
    blink_.setInterval(kBlinkHalfPeriodMs);
    QObject::connect(&blink_, &QTimer::timeout, this,
                     [this] { lamps_->setFlashLit(!lamps_->flashLit()); });
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

bool SimulationWindow::LampShown(char letter) const { return lamps_->shown(letter); }

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
            for (const char byte : received[received_++].bytes) exchanges_.Receive(byte);
        else
            exchanges_.Answer(answers[answers_++].bytes);
    }
    showLog();

    const auto frames = controller_.Frames();
    if (int(frames.size()) != frames_) {
        frames_ = int(frames.size());
        lamps_->show(frames.back());
        const bool flashing = frames.back()['e'] || frames.back()['f'];
        if (flashing && !blink_.isActive()) {
            // Switched on: lit at once, as a real indicator.
            lamps_->setFlashLit(true);
            blink_.start();
        } else if (!flashing) {
            blink_.stop();
        }
    }
    frameLabel_->setText(QString::number(frames_));
}

// Only what changed goes to the view: the last line it shows may have grown an answer, and
// new lines follow. The view drops its oldest lines itself.
void SimulationWindow::showLog() {
    const auto& lines = exchanges_.Lines();
    const std::uint64_t first = exchanges_.Begun() - lines.size();
    if (logShown_ > first) {
        QTextCursor last(log_->document()->lastBlock());
        last.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        if (last.selectedText() != lines[std::size_t(logShown_ - 1 - first)])
            last.insertText(lines[std::size_t(logShown_ - 1 - first)]);
    }
    for (std::uint64_t i = std::max(logShown_, first); i < exchanges_.Begun(); ++i)
        log_->appendPlainText(lines[std::size_t(i - first)]);
    logShown_ = exchanges_.Begun();
}
