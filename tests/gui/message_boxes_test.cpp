// The notice and failure boxes: caption, the "." rule, Ctrl+C and keys.
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include "ui/common/app_title.h"
#include "ui/common/message_boxes.h"
#include "ui/common/program_icon.h"

using tilora::ui::FailureBox;
using tilora::ui::NoticeBox;

class MessageBoxesTest : public QObject {
  Q_OBJECT

 private slots:
  void titleFollowsTheExecutableName_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("windows") << "C:\\x\\MYCONV.EXE" << "Myconv";
    QTest::newRow("first unchanged") << "/usr/bin/tilora" << "tilora";
    QTest::newRow("first dot cuts") << "/opt/Tool.Name.exe" << "Tool";
    QTest::newRow("dot in folder") << "C:\\my.dir\\PROG" << "Prog";
    QTest::newRow("no folder") << "ABC.EXE" << "Abc";
    QTest::newRow("hyphen") << "/usr/bin/Tilora-Convert" << "Tilora-convert";
    QTest::newRow("relative") << "./tilora" << "tilora";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("at most 255") << "/x/" + QString(300, 'A') << "A" + QString(254, 'a');
  }
  void titleFollowsTheExecutableName() {
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(QString::fromStdString(tilora::ApplicationTitle(path.toStdString())), title);
  }

  void boxCaptionIsTheApplicationTitleNotTheWindowCaption() {
    const auto expected = tilora::ApplicationTitle(QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString());
    QCOMPARE(tilora::ui::BoxCaption(), QString::fromStdString(expected));
    QCOMPARE(tilora::ui::BoxCaption(), QStringLiteral("tilora_gui_message_boxes_test"));
    NoticeBox box(QStringLiteral("x"));
    QCOMPARE(box.windowTitle(), tilora::ui::BoxCaption());
  }

  void failureTextGetsAFullStopByTheRule_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Read beyond end of file" << "Read beyond end of file.";
    QTest::newRow("digit") << "I/O error 32" << "I/O error 32.";
    QTest::newRow("full stop") << "Done." << "Done.";
    QTest::newRow("sorts before") << "Really!" << "Really!";
    QTest::newRow("quote") << "Cannot open file \"a\"" << "Cannot open file \"a\"";
    QTest::newRow("slash sorts after") << "C:/" << "C:/.";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("non-ASCII") << QString::fromUtf8("Datei \xc3\xa4") << QString::fromUtf8("Datei \xc3\xa4.");
  }
  void failureTextGetsAFullStopByTheRule() {
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(tilora::ui::FailureBoxText(text), shown);
  }

  void clipboardTextHasItsFixedForm() {
    const QString rule(27, '-');
    const QString expected = rule + "\r\nTilora\r\n" + rule + "\r\nPlease use the file without compression.\r\n" +
                             rule + "\r\nOK   Cancel   \r\n" + rule + "\r\n";
    QCOMPARE(tilora::ui::NoticeClipboardText("Tilora", "Please use the file without compression.", {"&OK", "Can&cel"}),
             expected);
  }

  void noticeBoxHasOneCentredDefaultOkAndNoIcon() {
    NoticeBox box(QStringLiteral("Please use the file without compression."));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(box.findChildren<QPushButton*>().size(), 1);
    QCOMPARE(box.OkButton()->text(), QStringLiteral("OK"));
    QVERIFY(box.OkButton()->isDefault());
    const auto labels = box.findChildren<QLabel*>();
    QCOMPARE(labels.size(), 1);
    QVERIFY(labels.front()->pixmap().isNull());
    QCOMPARE(box.minimumSize(), box.maximumSize());  // a fixed frame
    const int centre = box.OkButton()->geometry().center().x();
    QVERIFY(qAbs(centre - box.width() / 2) <= 1);
  }

  void noticeBoxWrapsAtHalfTheScreen() {
    NoticeBox box(QString("word ").repeated(400).trimmed());
    const int half = box.screen()->availableGeometry().width() / 2;
    QVERIFY(box.TextLabel()->width() <= half + 2);
    QVERIFY(box.TextLabel()->height() > 3 * box.TextLabel()->fontMetrics().height());
  }

  void enterAndEscapeCloseTheNoticeBox_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");
    QTest::newRow("enter") << int(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("escape") << int(Qt::Key_Escape) << int(QDialog::Rejected);
  }
  void enterAndEscapeCloseTheNoticeBox() {
    QFETCH(int, key);
    QFETCH(int, result);
    NoticeBox box(QStringLiteral("text"));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy finished(&box, &QDialog::finished);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &box, Qt::Key(key));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.front().front().toInt(), result);
  }

  void ctrlCCopiesTheBoxAndOtherChordsDoNot() {
    QClipboard* clipboard = QApplication::clipboard();
    NoticeBox box(QStringLiteral("8 bit per pixels."));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &box;

    clipboard->setText(QStringLiteral("before"));
    QTest::keyClick(target, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(clipboard->text(), QStringLiteral("before"));
    QTest::keyClick(target, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), tilora::ui::NoticeClipboardText(tilora::ui::BoxCaption(), "8 bit per pixels.", {"OK"}));
    QVERIFY(box.isVisible());
  }

  // The failure box copies in the notice box's form, spelled out here so a
  // change to either shows.
  void failureBoxCopiesAsTheNoticeBoxDoes() {
    QClipboard* clipboard = QApplication::clipboard();
    FailureBox box(tilora::ui::FailureBoxText(QStringLiteral("Read beyond end of file")));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &box;

    clipboard->setText(QStringLiteral("before"));
    QTest::keyClick(target, Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(clipboard->text(), QStringLiteral("before"));
    QTest::keyClick(target, Qt::Key_C, Qt::ControlModifier);
    const QString rule(27, '-');
    QCOMPARE(clipboard->text(), rule + "\r\n" + tilora::ui::BoxCaption() + "\r\n" + rule +
                                    "\r\nRead beyond end of file.\r\n" + rule + "\r\nOK   \r\n" + rule + "\r\n");
    QVERIFY(box.isVisible());
    QCOMPARE(box.icon(), QMessageBox::Critical);
    QCOMPARE(box.windowTitle(), tilora::ui::BoxCaption());
  }

  // Without an owner the box would take the application's icon, which is none.
  void failureBoxHasTheProgramsIcon() {
    QVERIFY(QApplication::windowIcon().isNull());
    FailureBox box(QStringLiteral("Out of memory."));
    const QIcon icon = box.windowIcon();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.pixmap(32, 32).toImage(), tilora::ui::ProgramIcon().pixmap(32, 32).toImage());
  }
};

QTEST_MAIN(MessageBoxesTest)
#include "message_boxes_test.moc"
