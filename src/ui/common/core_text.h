#pragma once

#include <QString>

#include <string>

namespace tilora::ui {

// File names go to the core as its file layer takes them: UTF-8 on Windows,
// the locale's 8-bit form elsewhere.
std::string LocalName(const QString& name);

// The core's messages quote those names, so they come back the same way.
QString CoreText(const std::string& text);

}  // namespace tilora::ui
