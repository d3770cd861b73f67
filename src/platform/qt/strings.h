#pragma once

#include <QString>
#include <string>

// The one crossing between the core's UTF-8 texts and Qt's strings.
namespace zerlin::qt {

inline QString toQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string toStdString(const QString& text) {
    return text.toUtf8().toStdString();
}

}  // namespace zerlin::qt
