#include "toolkit/qt/Cp1252.h"

QString Cp1252ToQString(const Text& text) {
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()));
    for (const char c : text) out.append(QChar(Cp1252ToUnicode(static_cast<unsigned char>(c))));
    return out;
}

Text QStringToCp1252(const QString& text) {
    Text out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) out.push_back(Cp1252FromUnicode(c.unicode()));
    return out;
}
