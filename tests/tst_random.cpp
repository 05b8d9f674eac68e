// Randomised controller scripts against a reference model of the exchange.
//
// The model is written from the rules of the exchange alone: a byte is echoed, written and
// waited for; a wait reads two bytes at a time, at most eleven times, and succeeds only when
// what it read is exactly "ok"; bytes not read stay for the next wait; a byte is sent at most
// ten times, and not again after a failed write. A hung-up line fails every read and write
// and loses what was queued. Each script says what the controller answers to each byte it
// receives (answers meant for an earlier byte included) and before which send the line drops.
// The drop happens while that send's echo box is open, so it never races a read.
//
// LICHTPULT_RANDOM_SCRIPTS sets how many scripts run (2000), LICHTPULT_RANDOM_SEED the first
// seed (1); a divergence names its seed, which reruns it alone.

#include "link/Link.h"
#include "panel/Unit1.h"
#include "protocol/LightFrame.h"
#include "sim/Controller.h"
#include "tests/support/Boxes.h"
#include "tests/support/InFlight.h"
#include "tests/support/Panel.h"

#include <QTest>

#include <random>

namespace {


const QString kReadFailed = IoFailure("ReadFile");
const QString kWriteFailed = IoFailure("WriteFile");

class Model {
public:
    Model(std::mt19937& random, double okShare, double hangUpShare)
        : random_(random), okShare_(okShare), hangUpShare_(hangUpShare) {}

    std::vector<std::string> answers;   // to the n-th byte received
    std::vector<qsizetype> hangUpAtBox; // the echo boxes during which the line drops
    std::string wire;
    QStringList boxes;

    void send(char byte) {
        for (int sends = 1;; ++sends) {
            boxes << QString(QChar(byte));
            maybeHangUp();
            const bool wrote = !hungUp_;
            if (wrote)
                controllerReceives(byte);
            else
                boxes << kWriteFailed;
            const bool acknowledged = wait();
            if (acknowledged || sends == kSendsOfAByte || !wrote) return;
        }
    }

private:
    bool wait() {
        std::string reply;
        for (int pass = 0; pass < kPassesOfAWait; ++pass) {
            reply += read();
            if (reply == "ok") break;
        }
        boxes << (reply == "ok" ? "TRUE" : "FALSE");
        return reply == "ok";
    }

    std::string read() {
        if (hungUp_) {
            boxes << kReadFailed;
            return {};
        }
        const std::string got = queue_.substr(0, 2);
        queue_.erase(0, got.size());
        return got;
    }

    void controllerReceives(char byte) {
        wire += byte;
        answers.push_back(nextAnswer());
        queue_ += answers.back();
    }

    // Only on an empty queue: what a dropped line does with bytes not yet read is the
    // kernel's business, not a rule of the exchange.
    void maybeHangUp() {
        std::uniform_real_distribution<double> chance(0, 1);
        if (hungUp_ || !queue_.empty() || chance(random_) >= hangUpShare_) return;
        hungUp_ = true;
        hangUpAtBox.push_back(boxes.size() - 1);
    }

    std::string nextAnswer() {
        static const char* const kOthers[] = {"o", "k", "", "x", "ok\r\n", "\r\n", "okok", "ko"};
        std::uniform_real_distribution<double> chance(0, 1);
        if (chance(random_) < okShare_) return "ok";
        std::uniform_int_distribution<int> pick(0, std::size(kOthers) - 1);
        return kOthers[pick(random_)];
    }

    std::mt19937& random_;
    double okShare_, hangUpShare_;
    std::string queue_;
    bool hungUp_ = false;
};

int setting(const char* name, int fallback) {
    const QByteArray value = qgetenv(name);
    return value.isEmpty() ? fallback : value.toInt();
}

QString describe(const Model& model) {
    QStringList answers;
    for (const std::string& answer : model.answers)
        answers << "\"" + QString::fromStdString(answer).replace("\r", "\\r").replace("\n", "\\n") + "\"";
    QStringList drops;
    for (const qsizetype box : model.hangUpAtBox) drops << QString::number(box);
    return answers.join(' ') + (drops.isEmpty() ? "" : ", line drops at box " + drops.join(", "));
}

} // namespace

class RandomTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { CreatePanel(); }

    void scriptsAgainstTheModel() {
        const int first = setting("LICHTPULT_RANDOM_SEED", 1);
        const int count = setting("LICHTPULT_RANDOM_SCRIPTS", 2000);
        for (int seed = first; seed < first + count; ++seed) {
            // Most scripts send a few bytes; every fiftieth sends a whole frame.
            const bool frame = seed % 50 == 0;
            std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
            Model model(random, frame ? 0.9 : 0.6, frame ? 0.002 : 0.05);

            std::string bytes;
            std::uniform_int_distribution<int> letter('a', 'l'), count(1, 3), coin(0, 1);
            if (frame) {
                for (TCheckBox* light : ControlsOf<TCheckBox>(Form1))
                    light->SetChecked(coin(random) == 1);
                for (const auto& [command, name] : kExpectedFrame)
                    bytes += {command, FindControl<TCheckBox>(Form1, name)->Checked() ? 'y' : 'n'};
            } else {
                for (int i = count(random); i > 0; --i) bytes += char(letter(random));
            }
            for (const char byte : bytes) model.send(byte);

            sim::Behaviour scripted;
            scripted.reply = sim::Behaviour::Reply::Scripted;
            scripted.script = model.answers;
            sim::Controller controller(scripted);
            BoxRecorder recorder;
            std::size_t drops = 0;
            recorder.onBox = [&](const ModalBox&) {
                if (drops < model.hangUpAtBox.size() &&
                    recorder.lines.size() - 1 == model.hangUpAtBox[drops]) {
                    controller.HangUp();
                    ++drops;
                }
            };
            hComPort = OpenComPort(controller.Path());
            QVERIFY(hComPort != serial::INVALID_HANDLE_VALUE);
            SetComTimeouts(hComPort);
            AnswersInFlight(controller);
            if (frame)
                SendLightStates();
            else
                for (const char byte : bytes) WriteCommand(Text(1, byte), 1);
            CloseComPort();
            seam::Reset();

            const QString where = QString("seed %1 (LICHTPULT_RANDOM_SEED=%1 LICHTPULT_RANDOM_SCRIPTS=1), "
                                          "bytes \"%2\", script %3")
                                      .arg(seed)
                                      .arg(QString::fromStdString(bytes))
                                      .arg(describe(model));
            QVERIFY2(recorder.lines == model.boxes,
                     qPrintable(where + "\n  boxes: " + recorder.lines.join('|') +
                                "\n  model: " + model.boxes.join('|')));
            controller.WaitForReceived(model.wire.size(), std::chrono::seconds(2));
            QVERIFY2(controller.ReceivedBytes() == model.wire,
                     qPrintable(where + "\n  wire: " + QString::fromStdString(controller.ReceivedBytes()) +
                                "\n  model: " + QString::fromStdString(model.wire)));
        }
    }
};

QTEST_MAIN(RandomTest)
#include "tst_random.moc"
