// Where CP932 texts of the program meet Qt.
#pragma once

#include <QString>
#include <string>
#include <string_view>

QString QStringFromCp932(std::string_view cp932);
std::string Cp932FromQString(const QString& text);
