// The file list of the picture-open dialog: a typed wildcard filters it, and
// its Size column shows its texts whole.
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QStyle>
#include <QTreeView>

#include <filesystem>

#include "dialog_test_support.h"
#include "gui_test_main.h"

using tilora::testing::Confirm;
using tilora::testing::Path;
using tilora::testing::TempDir;
using tilora::testing::TestDialog;
using tilora::testing::WriteBmp;
using tilora::testing::WriteBytes;

class FileListTest : public QObject {
  Q_OBJECT

 private slots:
  // The typed pattern filters the list and the dialog stays open; a name
  // chosen afterwards is confirmed as before.
  void TypedWildcardFiltersTheList_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("patterns");
    QTest::addColumn<QString>("folder");  // where the list is afterwards
    QTest::addColumn<bool>("enter");      // Enter in the name field, or the Open button
    QTest::newRow("star, Enter") << "*.emf" << QStringList{"*.emf"} << "" << true;
    QTest::newRow("question mark, Open") << "?iles.bmp" << QStringList{"?iles.bmp"} << "" << false;
    QTest::newRow("several") << " *.bmp; *.emf;" << QStringList{"*.bmp", "*.emf"} << "" << true;
    QTest::newRow("in a folder") << "art/*.bmp" << QStringList{"*.bmp"} << "art" << true;
  }
  void TypedWildcardFiltersTheList() {
    QFETCH(QString, typed);
    QFETCH(QStringList, patterns);
    QFETCH(QString, folder);
    QFETCH(bool, enter);
    TempDir dir;
    const QString start = QString::fromStdString(dir.path().string());
    std::filesystem::create_directory(dir.path() / "art");
    const QString picture = WriteBmp(dir, "tiles.bmp", 8, 8);
    WriteBytes(dir, "drawing.emf", std::string(200, '\1'));

    TestDialog dialog;
    dialog.SetInitialDir(start);
    QStringList asked;
    dialog.OnCanClose = [&](QObject*, bool&) { asked << dialog.FileName(); };
    bool openAfterTyping = false;
    QStringList applied;
    QString listed;
    QString typeShown;
    dialog.script = [&](QFileDialog& host) {
      auto* name = host.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      auto* model = host.findChild<QFileSystemModel*>();
      auto* types = host.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      QVERIFY(name && model && types);
      const QString typeBefore = types->currentText();
      name->clear();
      QTest::keyClicks(name, typed);
      if (enter)
        QTest::keyClick(name, Qt::Key_Return);
      else
        Confirm(host);
      openAfterTyping = host.isVisible();
      applied = model->nameFilters();
      listed = host.directory().absolutePath();
      typeShown = types->currentText() == typeBefore ? QStringLiteral("kept") : types->currentText();

      host.selectFile(picture);
      Confirm(host);
    };
    QVERIFY(dialog.Run());
    QVERIFY(openAfterTyping);
    QCOMPARE(applied, patterns);
    QCOMPARE(QDir(listed), QDir(folder.isEmpty() ? start : start + QLatin1Char('/') + folder));
    QCOMPARE(typeShown, QStringLiteral("kept"));
    // The pattern never reached the caller as a name.
    QCOMPARE(asked, QStringList(QDir::toNativeSeparators(picture)));
    QCOMPARE(dialog.FileName(), QDir::toNativeSeparators(picture));
  }

  // The main window's entries read as described, and each gives the list
  // its patterns.
  void WindowFilterEntriesReadAsDescribed() {
    TestDialog dialog;
    dialog.SetFilter(QStringLiteral("Bitmaps (*.bmp)|*.bmp|Pictures (*.bmp *.png)|*.bmp;*.png|All files (*)|*"));
    QStringList shown;
    QList<QStringList> patterns;
    dialog.script = [&](QFileDialog& host) {
      auto* types = host.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      auto* model = host.findChild<QFileSystemModel*>();
      QVERIFY(types && model);
      for (int i = 0; i < types->count(); ++i) {
        shown << types->itemText(i);
        host.selectNameFilter(host.nameFilters().value(i));
        patterns << model->nameFilters();
      }
    };
    dialog.Run();
    QCOMPARE(shown, (QStringList{"Bitmaps (*.bmp)", "Pictures (*.bmp *.png)", "All files (*)"}));
    QCOMPARE(patterns, (QList<QStringList>{{"*.bmp"}, {"*.bmp", "*.png"}, {"*"}}));
  }

  // A pattern in a folder that does not exist is a name like any other.
  void WildcardInAMissingFolderIsReturnedAsTyped() {
    TempDir dir;
    const QString start = QString::fromStdString(dir.path().string());
    TestDialog dialog;
    dialog.SetInitialDir(start);
    dialog.script = [&](QFileDialog& host) {
      auto* name = host.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      QVERIFY(name);
      name->clear();
      QTest::keyClicks(name, QStringLiteral("nowhere/*.bmp"));
      Confirm(host);
    };
    QVERIFY(dialog.Run());
    QCOMPARE(dialog.FileName(), QDir::toNativeSeparators(start + QStringLiteral("/nowhere/*.bmp")));
  }

  // The widest size the list shows before its next unit, in the list's own
  // font and style, fits the column, and the column is in view, as the
  // dialog first opens.
  void SizeColumnShowsItsTextsWhole() {
    TempDir dir;
    const QString start = QString::fromStdString(dir.path().string());
    const QString large = WriteBytes(dir, "large.bmp", std::string(1048565, 'x'));
    TestDialog dialog;
    dialog.SetInitialDir(start);
    QString text;
    int column = 0;
    int needed = 0;
    int right = 0;
    int visible = 0;
    dialog.script = [&](QFileDialog& host) {
      auto* view = host.findChild<QTreeView*>(QStringLiteral("treeView"));
      auto* model = host.findChild<QFileSystemModel*>();
      QVERIFY(view && model);
      QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Size"));
      const QModelIndex size = model->index(large, 1);
      QTRY_VERIFY(!size.data().toString().isEmpty());
      text = size.data().toString();
      const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
      needed = view->fontMetrics().horizontalAdvance(text) + 2 * margin;
      column = view->header()->sectionSize(1);
      right = view->header()->sectionViewportPosition(1) + column;
      visible = view->viewport()->width();
    };
    dialog.Run();
    QVERIFY2(column >= needed, qPrintable(QStringLiteral("\"%1\" needs %2, has %3").arg(text).arg(needed).arg(column)));
    // In view without scrolling.
    QVERIFY2(right <= visible, qPrintable(QStringLiteral("ends at %1 of %2").arg(right).arg(visible)));
  }

  // At its first size every column is in view and shows its texts whole;
  // a larger dialog gives the room to the names.
  void ColumnsFitTheirContentsAndTheListGrows() {
    TempDir dir;
    const QString start = QString::fromStdString(dir.path().string());
    const QString picture = WriteBmp(dir, "tiles.bmp", 8, 8);
    TestDialog dialog;
    dialog.SetInitialDir(start);
    QStringList cut;
    int right = 0, visible = 0, grown = 0;
    dialog.script = [&](QFileDialog& host) {
      auto* view = host.findChild<QTreeView*>(QStringLiteral("treeView"));
      auto* model = host.findChild<QFileSystemModel*>();
      QVERIFY(view && model);
      const QModelIndex row = model->index(picture);
      QTRY_VERIFY(!model->index(row.row(), 3, row.parent()).data().toString().isEmpty());
      QCoreApplication::processEvents();
      QHeaderView* header = view->header();
      const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
      for (int column = 1; column < 4; ++column) {
        const QString text = model->index(row.row(), column, row.parent()).data().toString();
        if (header->sectionSize(column) < view->fontMetrics().horizontalAdvance(text) + 2 * margin) cut << text;
      }
      right = header->sectionViewportPosition(3) + header->sectionSize(3);
      visible = view->viewport()->width();
      const int name = header->sectionSize(0);
      host.resize(host.width() + 200, host.height());
      QCoreApplication::processEvents();
      grown = header->sectionSize(0) - name;
    };
    dialog.Run();
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('|'))));
    QVERIFY2(right <= visible, qPrintable(QStringLiteral("ends at %1 of %2").arg(right).arg(visible)));
    QCOMPARE(grown, 200);
  }

  // The next run opens at the size and with the file type the last one
  // ended with, cancelled or not.
  void SizeAndTypeAreKeptFromRunToRun() {
    TestDialog dialog;
    dialog.SetFilter(QStringLiteral("Bitmaps (*.bmp)|*.bmp|Pictures (*.bmp *.png)|*.bmp;*.png|All files (*)|*"));
    QSize size;
    dialog.script = [&](QFileDialog& host) {
      host.resize(host.width() + 150, host.height() + 100);
      size = host.size();
      auto* types = host.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      QVERIFY(types);
      types->setCurrentIndex(1);
      emit types->activated(1);
    };
    QVERIFY(!dialog.Run());
    QString shownType;
    QSize shownSize;
    dialog.script = [&](QFileDialog& host) {
      shownType = host.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText();
      shownSize = host.size();
    };
    dialog.Run();
    QCOMPARE(shownType, QStringLiteral("Pictures (*.bmp *.png)"));
    QCOMPARE(shownSize, size);
  }
};

TILORA_GUI_TEST_MAIN(FileListTest)
#include "file_list_test.moc"
