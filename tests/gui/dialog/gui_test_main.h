#pragma once

#include <QApplication>
#include <QSettings>
#include <QTest>

#include "temp_dir.h"

// Qt's file dialog keeps its history in the user's settings; the tests keep
// theirs in a folder of their own that goes when they end.
#define TILORA_GUI_TEST_MAIN(TestClass)                                                  \
  int main(int argc, char** argv) {                                                      \
    const tilora::testing::TempDir settings;                                             \
    const QString settingsPath = QString::fromStdString(settings.path().string());      \
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsPath);     \
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsPath);        \
    QApplication app(argc, argv);                                                        \
    TestClass test;                                                                      \
    return QTest::qExec(&test, argc, argv);                                              \
  }
