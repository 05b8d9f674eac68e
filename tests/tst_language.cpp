// The system's error texts in the user's language. CTest runs this under German, French and
// Russian locales (LC_ALL, with LOCPATH where the test made them): a real failure's error box
// shows the system's text with its accented letters as Windows-1252 bytes, and a letter the
// code page has no place for as '?', each on its own.

#include "link/Link.h"
#include "panel/Unit1.h"
#include "sim/Controller.h"
#include "tests/support/Boxes.h"
#include "tests/support/Panel.h"
#include "toolkit/qt/Cp1252.h"

#include <QTest>

#include <clocale>
#include <map>

namespace {

struct Texts {
    Text badHandle; // EBADF
    Text ioError;   // EIO
};

const std::map<QString, Texts> kTexts = {
    {"de_DE.UTF-8", {"Ung\xFCltiger Dateideskriptor", "Eingabe-/Ausgabefehler"}},
    {"fr_FR.UTF-8", {"Mauvais descripteur de fichier", "Erreur d'entr\xE9" "e/sortie"}},
    {"ru_RU.UTF-8", {"???????????? ?????????? ?????", "?????? ?????" "/??????"}},
};

} // namespace

class LanguageTest : public QObject {
    Q_OBJECT

    QString language_;

private slots:
    void initTestCase() {
        language_ = qEnvironmentVariable("LC_ALL");
        QVERIFY2(kTexts.count(language_) == 1, qPrintable("no texts for LC_ALL=" + language_));
        CreatePanel();
        // The toolkit has taken the user's locale: nothing here may fall back to "C" quietly.
        QCOMPARE(QString(std::setlocale(LC_MESSAGES, nullptr)), language_);
    }

    void systemTextInTheUsersLanguage_data() {
        QTest::addColumn<bool>("hangUp");
        QTest::newRow("the handle closed behind the panel's back") << false;
        QTest::newRow("the line hung up") << true;
    }
    void systemTextInTheUsersLanguage() {
        QFETCH(bool, hangUp);
        sim::Controller controller;
        ConnectPanel(controller.Path());
        QCOMPARE(Form1->comportbut->Caption(), Text("trennen"));
        if (hangUp)
            controller.HangUp();
        else
            QVERIFY(serial::CloseHandle(hComPort));
        ModalConfirmer confirmer;
        WriteCommand("a", 1);
        QVERIFY(confirmer.lines.size() >= 2);
        const Texts& texts = kTexts.at(language_);
        QCOMPARE(QStringToCp1252(confirmer.lines.at(1)),
                 "!WriteFile: " + (hangUp ? texts.ioError : texts.badHandle));
        Form1->comportbut->Click();
    }
};

QTEST_MAIN(LanguageTest)
#include "tst_language.moc"
