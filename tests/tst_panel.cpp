// The main window: its layout, its states and the connect button, on pseudo-terminals.

#include "link/Link.h"
#include "link/platform/DeviceNames.h"
#include "panel/Unit1.h"
#include "sim/Controller.h"
#include "tests/support/Boxes.h"
#include "tests/support/InFlight.h"
#include "tests/support/Panel.h"
#include "tests/support/Seam.h"
#include "toolkit/qt/Controls_qt.h"
#include "toolkit/qt/Cp1252.h"

#include <QFile>
#include <QFontInfo>
#include <QGroupBox>
#include <QHelpEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStringDecoder>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace serial;

namespace {

const Text kOpenFailure =
    "Der gew\xE4hlte ComPort konnte nicht ge\xF6" "ffnet werden.\n\n"
    "Bitte stellen sie sicher, das dieser von keiner anderen Anwendung benutzt wird.";

TControl* control(const char* name) { return FindControl(Form1, name); }

TCheckBox* box(const QString& name) { return FindControl<TCheckBox>(Form1, name.toStdString()); }

// Every box the frame reads, once.
const QStringList kLightBoxes = [] {
    QStringList boxes;
    for (const auto& [letter, name] : kExpectedFrame)
        if (!boxes.contains(name)) boxes << name;
    return boxes;
}();

} // namespace

class PanelTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CreatePanel(); }
    void cleanup() {
        seam::Reset();
        SetDevicePath("Com1", "");
    }

    void layout_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("caption");
        QTest::newRow("comportbut") << "TButton" << "" << QRect(160, 208, 209, 33) << "verbinden";
        QTest::newRow("comports") << "TRadioGroup" << "" << QRect(280, 8, 89, 193) << "ComPort";
        QTest::newRow("Allgemein") << "TGroupBox" << "" << QRect(8, 8, 137, 89) << "Allgemein";
        QTest::newRow("Standlicht") << "TCheckBox" << "Allgemein" << QRect(8, 16, 81, 17) << "Standlicht";
        QTest::newRow("Abblendlicht") << "TCheckBox" << "Allgemein" << QRect(8, 40, 81, 17) << "Abblendlicht";
        QTest::newRow("Fernlicht") << "TCheckBox" << "Allgemein" << QRect(8, 64, 81, 17) << "Fernlicht";
        QTest::newRow("Sonderfunktionen") << "TGroupBox" << "" << QRect(8, 104, 137, 65) << "Sonderfunktionen";
        QTest::newRow("Rueckwaerts") << "TCheckBox" << "Sonderfunktionen" << QRect(8, 16, 97, 17) << "Rueckwaerts";
        QTest::newRow("Innenraum") << "TCheckBox" << "Sonderfunktionen" << QRect(8, 40, 97, 17) << "Innenraum";
        QTest::newRow("Nebel") << "TGroupBox" << "" << QRect(8, 176, 137, 65) << "Nebel";
        QTest::newRow("Nebelschlussleuchte") << "TCheckBox" << "Nebel" << QRect(8, 16, 121, 17) << "Nebelschlussleuchte";
        QTest::newRow("Nebelscheinwerfer") << "TCheckBox" << "Nebel" << QRect(8, 40, 121, 17) << "Nebelscheinwerfer";
        QTest::newRow("Blinker") << "TGroupBox" << "" << QRect(160, 8, 105, 121) << "Blinker";
        QTest::newRow("Links") << "TCheckBox" << "Blinker" << QRect(8, 16, 73, 17) << "Links";
        QTest::newRow("Rechts") << "TCheckBox" << "Blinker" << QRect(8, 40, 81, 17) << "Rechts";
        QTest::newRow("Parklicht") << "TCheckBox" << "Blinker" << QRect(8, 88, 81, 17) << "Parklicht";
        QTest::newRow("Warnblinklicht") << "TCheckBox" << "Blinker" << QRect(8, 64, 89, 17) << "Warnblinklicht";
        QTest::newRow("Lichtautomatik") << "TGroupBox" << "" << QRect(160, 136, 105, 65) << "Lichtautomatik";
        QTest::newRow("Abblendlicht_auto") << "TCheckBox" << "Lichtautomatik" << QRect(8, 16, 89, 17) << "Abblendlicht";
        QTest::newRow("Fernlicht_auto") << "TCheckBox" << "Lichtautomatik" << QRect(8, 40, 81, 17) << "Fernlicht";
    }
    void layout() {
        QFETCH(QString, kind);
        QFETCH(QString, parent);
        QFETCH(QRect, geometry);
        QFETCH(QString, caption);
        const QByteArray name = QTest::currentDataTag();
        TControl* widget = control(name);
        QVERIFY(widget != nullptr);
        TControl* expectedParent = parent.isEmpty() ? static_cast<TControl*>(Form1) : control(qPrintable(parent));
        QCOMPARE(widget->Parent(), expectedParent);
        QCOMPARE(QtWidget(widget)->parentWidget(), QtWidget(expectedParent));
        QCOMPARE(QtWidget(widget)->geometry(), geometry);
        if (kind == "TButton") {
            QVERIFY(dynamic_cast<TButton*>(widget));
            QCOMPARE(dynamic_cast<TButton*>(widget)->Caption(), caption.toStdString());
        } else if (kind == "TCheckBox") {
            QVERIFY(dynamic_cast<TCheckBox*>(widget));
            QCOMPARE(dynamic_cast<TCheckBox*>(widget)->Caption(), caption.toStdString());
        } else if (kind == "TRadioGroup") {
            QVERIFY(dynamic_cast<TRadioGroup*>(widget));
            QCOMPARE(dynamic_cast<TRadioGroup*>(widget)->Caption(), caption.toStdString());
        } else {
            QVERIFY(dynamic_cast<TGroupBox*>(widget) && !dynamic_cast<TRadioGroup*>(widget));
            QCOMPARE(dynamic_cast<TGroupBox*>(widget)->Caption(), caption.toStdString());
        }
    }

    void eachMemberIsTheControlOfItsName() {
#define MEMBER(name) std::pair<TControl*, std::string>(Form1->name, #name)
        const std::vector members = {MEMBER(comportbut), MEMBER(comports), MEMBER(Allgemein),
            MEMBER(Sonderfunktionen), MEMBER(Nebel), MEMBER(Blinker), MEMBER(Lichtautomatik),
            MEMBER(Standlicht), MEMBER(Abblendlicht), MEMBER(Fernlicht), MEMBER(Rueckwaerts),
            MEMBER(Innenraum), MEMBER(Nebelschlussleuchte), MEMBER(Nebelscheinwerfer),
            MEMBER(Links), MEMBER(Rechts), MEMBER(Parklicht), MEMBER(Warnblinklicht),
            MEMBER(Abblendlicht_auto), MEMBER(Fernlicht_auto)};
#undef MEMBER
        for (const auto& [member, name] : members) QCOMPARE(member->Name(), name);
    }

    void window() {
        QCOMPARE(QtWidget(Form1)->geometry(), QRect(475, 106, 386, 276));
        // The layout is fixed: no size to drag to, no maximise button.
        QCOMPARE(QtWidget(Form1)->minimumSize(), QSize(386, 276));
        QCOMPARE(QtWidget(Form1)->maximumSize(), QSize(386, 276));
        QVERIFY(!QtWidget(Form1)->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(QtWidget(Form1)->backgroundRole(), QPalette::Button);
        QVERIFY(QtWidget(Form1)->autoFillBackground());
        QCOMPARE(Form1->Caption(), Text("window"));
        QCOMPARE(QtWidget(Form1)->font().pixelSize(), 11);
        QCOMPARE(QFontInfo(QtWidget(Form1)->font()).family(), QString("Liberation Sans"));
        QCOMPARE(Form1->comports->ItemCount(), 6);
        for (int i = 0; i < 6; ++i) {
            const QString name = QString("Com%1").arg(i + 1);
            QCOMPARE(QtRadioItem(Form1->comports, i)->text(), name);
        }
    }

    void everyCaptionFits() {
        for (QAbstractButton* button : QtWidget(Form1)->findChildren<QAbstractButton*>()) {
            if (qobject_cast<QPushButton*>(button)) {
                QVERIFY(button->sizeHint().width() <= button->width());
                continue;
            }
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const QStyle::SubElement element = qobject_cast<QRadioButton*>(button)
                                                   ? QStyle::SE_RadioButtonContents
                                                   : QStyle::SE_CheckBoxContents;
            const QRect room = button->style()->subElementRect(element, &option, button);
            const int needed = button->fontMetrics().horizontalAdvance(button->text());
            QVERIFY2(needed <= room.width(), qPrintable(button->text() + QString(" needs %1 px, has %2")
                                                             .arg(needed).arg(room.width())));
        }
        for (QGroupBox* group : QtWidget(Form1)->findChildren<QGroupBox*>())
            QVERIFY2(group->fontMetrics().horizontalAdvance(group->title()) + 16 <= group->width(),
                     qPrintable(group->title()));
    }

    void tabOrder() {
        const QStringList expected = {"comportbut", "Com1", "Com2", "Com3", "Com4", "Com5", "Com6",
            "Standlicht", "Abblendlicht", "Fernlicht", "Rueckwaerts", "Innenraum",
            "Nebelschlussleuchte", "Nebelscheinwerfer", "Links", "Rechts", "Parklicht",
            "Warnblinklicht", "Abblendlicht_auto", "Fernlicht_auto"};
        QStringList chain;
        QWidget* const first = QtWidget(Form1->comportbut);
        QWidget* widget = first;
        do {
            if (expected.contains(widget->objectName())) chain << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != first && chain.size() < 40);
        QCOMPARE(chain, expected);
    }

    void startsDisconnected() {
        QCOMPARE(Form1->comportbut->Caption(), Text("verbinden"));
        QVERIFY(Form1->comports->Enabled());
        QCOMPARE(Form1->comports->ItemIndex(), 0);
        for (const QString& name : kLightBoxes) {
            QVERIFY2(!box(name)->Enabled(), qPrintable(name));
            QCOMPARE(box(name)->Checked(), name == "Innenraum");
        }
        QCOMPARE(hComPort, HANDLE{nullptr});
    }

    void states_data() {
        QTest::addColumn<bool>("connectedEnabled");
        QTest::addColumn<bool>("connectedChecked");
        QTest::addColumn<bool>("disconnectedEnabled");
        QTest::addColumn<bool>("disconnectedChecked");
        QTest::newRow("Abblendlicht") << true << false << false << false;
        QTest::newRow("Fernlicht") << false << false << false << false;
        QTest::newRow("Standlicht") << true << false << false << false;
        QTest::newRow("Links") << true << false << false << false;
        QTest::newRow("Rechts") << true << false << false << false;
        QTest::newRow("Parklicht") << true << false << false << false;
        QTest::newRow("Warnblinklicht") << true << false << false << false;
        QTest::newRow("Abblendlicht_auto") << true << false << false << false;
        QTest::newRow("Fernlicht_auto") << true << false << false << false;
        QTest::newRow("Nebelscheinwerfer") << false << false << false << false;
        QTest::newRow("Nebelschlussleuchte") << false << false << false << false;
        QTest::newRow("Innenraum") << true << true << false << true;
        QTest::newRow("Rueckwaerts") << true << false << false << false;
    }
    void states() {
        QFETCH(bool, connectedEnabled);
        QFETCH(bool, connectedChecked);
        QFETCH(bool, disconnectedEnabled);
        QFETCH(bool, disconnectedChecked);
        TCheckBox* light = box(QTest::currentDataTag());
        sim::Controller controller;
        BoxRecorder recorder;

        light->SetChecked(!connectedChecked);
        ConnectPanel(controller.Path());
        QCOMPARE(Form1->comportbut->Caption(), Text("trennen"));
        QVERIFY(!Form1->comports->Enabled());
        QCOMPARE(light->Enabled(), connectedEnabled);
        QCOMPARE(light->Checked(), connectedChecked);

        light->SetChecked(!disconnectedChecked);
        Form1->comportbut->Click();
        QCOMPARE(Form1->comportbut->Caption(), Text("verbinden"));
        QVERIFY(Form1->comports->Enabled());
        QCOMPARE(light->Enabled(), disconnectedEnabled);
        QCOMPARE(light->Checked(), disconnectedChecked);

        // Neither connecting nor disconnecting sends anything or shows a box.
        QCOMPARE(recorder.lines, QStringList{});
        QCOMPARE(controller.ReceivedBytes(), std::string());
    }

    void connectSetsUpTheLine() {
        sim::Controller controller;
        BoxRecorder recorder;
        ConnectPanel(controller.Path());
        QVERIFY(hComPort != nullptr && hComPort != INVALID_HANDLE_VALUE);
        const termios line = controller.LineSettings();
        QCOMPARE(cfgetospeed(&line), speed_t{B9600});
        QCOMPARE(line.c_cflag & (CSIZE | PARENB | CSTOPB), tcflag_t{CS8});
        COMMTIMEOUTS timeouts{};
        QVERIFY(GetCommTimeouts(hComPort, &timeouts));
        QCOMPARE(timeouts.ReadIntervalTimeout, DWORD{100});
        QCOMPARE(timeouts.ReadTotalTimeoutMultiplier, DWORD{0});
        QCOMPARE(timeouts.ReadTotalTimeoutConstant, DWORD{1});
        QCOMPARE(timeouts.WriteTotalTimeoutMultiplier, DWORD{0});
        QCOMPARE(timeouts.WriteTotalTimeoutConstant, DWORD{0});
    }

    void openFailure_data() {
        QTest::addColumn<bool>("heldElsewhere");
        QTest::newRow("no such device") << false;
        QTest::newRow("port held by another opener") << true;
    }
    void openFailure() {
        QFETCH(bool, heldElsewhere);
        sim::Controller controller;
        HANDLE other = INVALID_HANDLE_VALUE;
        if (heldElsewhere)
            other = CreateFileA(controller.Path().c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                nullptr, OPEN_EXISTING, 0, nullptr);
        BoxRecorder recorder;
        ConnectPanel(heldElsewhere ? controller.Path() : "/dev/lichtpult-missing");

        QCOMPARE(recorder.shown.size(), std::size_t{1});
        QCOMPARE(recorder.shown[0].box.icon, ModalBox::Icon::Information);
        const QString shown = QString::fromStdString(recorder.shown[0].box.text);
        QCOMPARE(shown, Cp1252ToQString(kOpenFailure));
        QVERIFY(shown.startsWith(
            QString::fromUtf8("Der gew\u00e4hlte ComPort konnte nicht ge\u00f6ffnet werden.\n\nBitte")));
        QCOMPARE(hComPort, INVALID_HANDLE_VALUE);
        QCOMPARE(Form1->comportbut->Caption(), Text("verbinden"));
        QVERIFY(Form1->comports->Enabled());
        if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
    }

    // Each set-up call failing on its own shows one box titled with its name; the connect
    // goes on to the connected state.
    void setUpFailures_data() {
        QTest::addColumn<QStringList>("failing");
        QTest::newRow("GetCommState") << QStringList{"GetCommState"};
        QTest::newRow("SetCommState") << QStringList{"SetCommState"};
        QTest::newRow("SetCommTimeouts") << QStringList{"SetCommTimeouts"};
        QTest::newRow("all three") << QStringList{"GetCommState", "SetCommState", "SetCommTimeouts"};
    }
    void setUpFailures() {
        QFETCH(QStringList, failing);
        sim::Controller controller;
        BoxRecorder recorder;
        QStringList boxes;
        for (const QString& call : failing) {
            seam::Fail(call.toStdString(), EIO);
            boxes << IoFailure(call);
        }
        ConnectPanel(controller.Path());
        QCOMPARE(recorder.lines, boxes);
        QCOMPARE(Form1->comportbut->Caption(), Text("trennen"));
        QCOMPARE(controller.ReceivedBytes(), std::string());
    }

    // Each port choice opens its own device: six terminals, one name each, and only the
    // chosen one receives the frame.
    void eachPortChoiceOpensItsOwnDevice_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < 6; ++i) QTest::newRow(qPrintable(QString("Com%1").arg(i + 1))) << i;
    }
    void eachPortChoiceOpensItsOwnDevice() {
        QFETCH(int, index);
        std::vector<std::unique_ptr<sim::Controller>> controllers;
        for (int i = 0; i < 6; ++i) {
            controllers.push_back(std::make_unique<sim::Controller>());
            SetDevicePath("Com" + std::to_string(i + 1), controllers.back()->Path());
        }
        BoxRecorder recorder;
        QtRadioItem(Form1->comports, index)->click();
        QCOMPARE(Form1->comports->ItemIndex(), index);
        Form1->comportbut->Click();
        QCOMPARE(Form1->comportbut->Caption(), Text("trennen"));
        AnswersInFlight(*controllers[std::size_t(index)]);
        Form1->Standlicht->Click();
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(controllers[i]->ReceivedBytes().size(), i == index ? std::size_t{28} : std::size_t{0});
            SetDevicePath("Com" + std::to_string(i + 1), "");
        }
        QCOMPARE(recorder.lines.size(), 56);
        Form1->comportbut->Click();
    }

    // Captions and box texts are Windows-1252: the bytes where it differs from Latin-1 go to
    // the characters the system's own converter gives, and back to the same byte.
    void windows1252HighBytes_data() {
        QTest::addColumn<int>("byte");
        for (int byte = 0x80; byte <= 0x9F; ++byte)
            QTest::newRow(qPrintable(QString("0x%1").arg(byte, 2, 16))) << byte;
    }
    void windows1252HighBytes() {
        QFETCH(int, byte);
        QStringDecoder system("windows-1252");
        QVERIFY(system.isValid());
        const Text text(1, char(byte));
        const QString expected = system(QByteArray(text.data(), 1));
        QCOMPARE(Cp1252ToQString(text), expected);
        QCOMPARE(QStringToCp1252(expected), text);
    }

    void lineHungUpAfterOpenStillConnects() {
        sim::Controller controller;
        BoxRecorder recorder;
        seam::AfterOpen([&controller] { controller.HangUp(); });
        ConnectPanel(controller.Path());
        QCOMPARE(recorder.lines,
                 (QStringList{IoFailure("GetCommState"), IoFailure("SetCommState")}));
        QCOMPARE(Form1->comportbut->Caption(), Text("trennen"));
    }

    void disconnectReleasesThePort() {
        sim::Controller controller;
        BoxRecorder recorder;
        ConnectPanel(controller.Path());
        Form1->comportbut->Click();
        QCOMPARE(hComPort, HANDLE{nullptr});
        ConnectPanel(controller.Path());
        QCOMPARE(Form1->comportbut->Caption(), Text("trennen"));
        QCOMPARE(recorder.lines, QStringList{});
    }

    void closingTheWindowReleasesThePort() {
        sim::Controller controller;
        BoxRecorder recorder;
        ConnectPanel(controller.Path());
        delete Form1;
        Form1 = nullptr;
        const HANDLE again = CreateFileA(controller.Path().c_str(), GENERIC_READ | GENERIC_WRITE,
                                         0, nullptr, OPEN_EXISTING, 0, nullptr);
        QVERIFY(again != INVALID_HANDLE_VALUE);
        CloseHandle(again);
        QCOMPARE(controller.ReceivedBytes(), std::string());
        QCOMPARE(recorder.lines, QStringList{});
    }

    // Only the exact caption "verbinden" means disconnected.
    void captionDecides_data() {
        QTest::addColumn<QByteArray>("caption");
        QTest::addColumn<bool>("connects");
        QTest::newRow("verbinden") << QByteArray("verbinden") << true;
        QTest::newRow("trennen") << QByteArray("trennen") << false;
        QTest::newRow("capital V") << QByteArray("Verbinden") << false;
        QTest::newRow("trailing space") << QByteArray("verbinden ") << false;
        QTest::newRow("empty") << QByteArray("") << false;
    }
    void captionDecides() {
        QFETCH(QByteArray, caption);
        QFETCH(bool, connects);
        sim::Controller controller;
        BoxRecorder recorder;
        Form1->comportbut->SetCaption(caption.toStdString());
        ConnectPanel(controller.Path());
        QCOMPARE(Form1->comportbut->Caption(), Text(connects ? "trennen" : "verbinden"));
        QCOMPARE(hComPort != nullptr, connects);
    }
};

QTEST_MAIN(PanelTest)
#include "tst_panel.moc"
