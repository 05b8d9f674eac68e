// The system's error texts in the user's language. CTest runs this under a locale per language
// (LC_ALL, with LOCPATH where the test made them): a real failure's error box shows the
// system's text letter for letter, also where the letters lie beyond Windows-1252.

#include "link/Link.h"
#include "link/platform/SysError_p.h"
#include "panel/Unit1.h"
#include "sim/Controller.h"
#include "tests/support/Boxes.h"
#include "tests/support/Panel.h"
#include "toolkit/qt/Cp1252.h"

#include <QTest>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <map>

namespace {

struct Texts {
    QString badHandle; // EBADF
    QString ioError;   // EIO
};

// Written out where the words fit Windows-1252, so a fault that narrows every text alike
// cannot pass unseen; every other language is read back against strerror itself.
const std::map<QString, Texts> kWritten = {
    {"de_DE.UTF-8", {QString::fromUtf8("Ungültiger Dateideskriptor"), "Eingabe-/Ausgabefehler"}},
    {"fr_FR.UTF-8", {"Mauvais descripteur de fichier", QString::fromUtf8("Erreur d'entrée/sortie")}},
};

QString systemText(int code) { return QString::fromUtf8(std::strerror(code)); }

bool fitsWindows1252(const QString& text) { return Cp1252ToQString(QStringToCp1252(text)) == text; }

} // namespace

class LanguageTest : public QObject {
    Q_OBJECT

    QString language_;
    Texts texts_;

private slots:
    void initTestCase() {
        language_ = qEnvironmentVariable("LC_ALL");
        CreatePanel();
        // The toolkit has taken the user's locale: nothing here may fall back to "C" quietly.
        QCOMPARE(QString(std::setlocale(LC_MESSAGES, nullptr)), language_);
        texts_ = {systemText(EBADF), systemText(EIO)};
        if (kWritten.count(language_) == 1) {
            QCOMPARE(texts_.badHandle, kWritten.at(language_).badHandle);
            QCOMPARE(texts_.ioError, kWritten.at(language_).ioError);
        } else {
            // The translation is there, and it needs letters the program's code page lacks.
            QVERIFY2(texts_.ioError != "Input/output error", qPrintable("no translation for " + language_));
            QVERIFY2(!fitsWindows1252(texts_.badHandle + texts_.ioError),
                     qPrintable(texts_.badHandle + " | " + texts_.ioError));
        }
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
        QCOMPARE(confirmer.lines.at(1), "!WriteFile: " + (hangUp ? texts_.ioError : texts_.badHandle));
        Form1->comportbut->Click();
    }

    // Words the locale's set cannot decode still reach the box, each bad byte marked alone.
    void undecodableBytesStayReadable_data() {
        QTest::addColumn<QByteArray>("codeset");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        const QString bad(QChar::ReplacementCharacter);
        const QString polish = QString::fromUtf8("B\u0142\u0105d");
        QTest::newRow("UTF-8") << QByteArray("UTF-8") << QByteArray("B\xC5\x82\xC4\x85" "d") << polish;
        QTest::newRow("a lead byte alone") << QByteArray("UTF-8") << QByteArray("B\xC5" "ad") << "B" + bad + "ad";
        QTest::newRow("cut off at the end") << QByteArray("UTF-8") << QByteArray("Fehler\xC3") << "Fehler" + bad;
        QTest::newRow("nothing decodable") << QByteArray("UTF-8") << QByteArray("\xFF\xFE") << bad + bad;
        QTest::newRow("the locale's own set") << QByteArray("ISO-8859-2") << QByteArray("B\xB3\xB1" "d") << polish;
        QTest::newRow("a set iconv lacks") << QByteArray("lichtpult-no-such-set") << QByteArray("entr\xE9" "e")
                                           << "entr" + bad + "e";
    }
    void undecodableBytesStayReadable() {
        QFETCH(QByteArray, codeset);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QCOMPARE(QString::fromStdString(DecodeSystemText(bytes.toStdString(), codeset.constData()).utf8), shown);
    }
};

QTEST_MAIN(LanguageTest)
#include "tst_language.moc"
