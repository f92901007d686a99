// The edge between the core's UTF-8 strings and Qt's strings.
#pragma once

#include <string>
#include <string_view>

#include <QString>

namespace korvi::ui {

inline QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string S(const QString& text) { return text.toStdString(); }

}  // namespace korvi::ui
