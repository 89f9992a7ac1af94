// Files dropped on the window, and the page-map question before a file too
// large for the page map is converted.
#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <filesystem>

#include "tests/gui/GuiTestSupport.h"

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

namespace {

// Drags the mime data over target and drops it there; true when the window
// took the drag.
bool DropOn(QWidget* target, QMimeData& mime) {
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  const bool taken = enter.isAccepted();
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  QCoreApplication::processEvents();  // the open runs once the drop has ended
  return taken;
}

bool DropFile(QWidget* target, const std::string& path) {
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  return DropOn(target, mime);
}

}  // namespace

class TestForm1Drop : public TGuiTest {
  Q_OBJECT

 private slots:
  // On the editor and on the window alike; with a change on the page the save
  // question comes first, and Cancel keeps the file that is open.
  void dropOpensLikeFileOpen_data() {
    QTest::addColumn<bool>("onEditor");
    QTest::newRow("editor") << true;
    QTest::newRow("window") << false;
  }
  void dropOpensLikeFileOpen() {
    QFETCH(bool, onEditor);
    OpenLondon();
    QWidget* target = onEditor ? c->Memo()->viewport() : static_cast<QWidget*>(c->Form.get());
    const std::string other = c->Copy("fools-mate.pgn", "other.pgn");
    WriteFileBytes(other, ToCrLf(TestData("fools-mate.pgn")));
    c->TypeAt(c->Memo()->Length(), "x");

    c->Dialogs.Answers = {TMsgAnswer::Cancel};
    QVERIFY(DropFile(target, other));
    QCOMPARE(c->Dialogs.Texts(), Texts{"Save changes to london1851.pgn?"});
    QCOMPARE(c->Form->windowTitle(), QString("Korvane - london1851.pgn"));

    c->Dialogs.Answers = {TMsgAnswer::No};
    QVERIFY(DropFile(target, other));
    QCOMPARE(c->Dialogs.Shown.size(), size_t{2});
    QCOMPARE(c->Form->windowTitle(), QString("Korvane - other.pgn"));
    QCOMPARE(c->Form->SaveDialog().FileName, other);
    QCOMPARE(c->Dialogs.FileDialogs.size(), size_t{1});  // only the first Open's
    QVERIFY(c->Memo()->Text().find("[Event ") != std::string::npos);
    QCOMPARE(ReadFileBytes(path), TestData("london1851.pgn"));  // the change was dropped
  }

  // A drag of text, or of a file that is gone, opens nothing.
  void otherDragsOpenNothing() {
    c->Start();
    QMimeData text;
    text.setText(QStringLiteral("1.e4 e5"));
    QVERIFY(!DropOn(c->Form.get(), text));
    QVERIFY(c->Dialogs.Shown.empty());
    QVERIFY(DropFile(c->Form.get(), c->Dir.File("missing.pgn")));
    QCOMPARE(c->Dialogs.Texts(), Texts{"File '" + c->Dir.File("missing.pgn") + "' does not exist"});
    QCOMPARE(c->Form->windowTitle(), QString("Korvane"));
  }

  // A 2.2 GB file at the default buffer size: the question comes before any
  // conversion. No opens nothing; Yes opens with the size named, which the
  // buffer field then shows. The file is games followed by a hole, so the
  // conversion that Yes starts stops at the hole.
  void hugeFileIsToldBeforeConverting_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("no") << false;
    QTest::newRow("yes") << true;
  }
  void hugeFileIsToldBeforeConverting() {
    QFETCH(bool, yes);
    c->Start();
    const std::string huge = c->Dir.File("huge.pgn");
    std::string games;
    while (games.size() < 1'000'000) games += TestData("london1851.pgn");
    WriteFileBytes(huge, games);
    fs::resize_file(huge, 2'200'000'000);

    c->Dialogs.Answers = {yes ? TMsgAnswer::Yes : TMsgAnswer::No};
    c->Dialogs.FileNames = {huge};
    QElapsedTimer timer;
    timer.start();
    c->Menu("Open1");
    const qint64 ms = timer.elapsed();
    if (!yes) qInfo("question shown and answered in %lld ms", static_cast<long long>(ms));
    const std::string question = c->Dialogs.Shown.at(0).Text;
    QVERIFY2(question.starts_with(huge + " is too large for the page map at buffer size 100000"),
             question.c_str());
    QVERIFY(c->Dialogs.Shown[0].Buttons == TMsgButtons::YesNo);
    const size_t at = question.find("smallest buffer size that fits is ");
    QVERIFY(at != std::string::npos);
    const int named = std::stoi(question.substr(at + 34));
    QVERIFY(named >= 220000 && named <= 260000);
    if (!yes) {
      QCOMPARE(c->Dialogs.Shown.size(), size_t{1});
      QCOMPARE(c->Form->windowTitle(), QString("Korvane"));
      QVERIFY(!fs::exists(BulletFileName) || fs::file_size(BulletFileName) == 0);
      QCOMPARE(c->Text("Edit1"), QString("100000"));
      return;
    }
    QCOMPARE(c->Text("Edit1").toInt(), named);
    QVERIFY(c->Dialogs.Shown.size() >= 2);  // the conversion's own failure at the hole
    QVERIFY(c->Dialogs.Texts().back().find("bullet file") != std::string::npos);
  }
};

QTEST_MAIN(TestForm1Drop)
#include "test_gui_drop.moc"
