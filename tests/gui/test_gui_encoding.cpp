// The page shown as UTF-8 or Latin-1: the guess on open, Options / UTF-8 text,
// and the bytes that open, edit and save unchanged either way; the find box and
// the clipboard refuse what the shown encoding cannot hold.
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QTest>
#include <filesystem>

#include "chess/CBrdForm.h"
#include "tests/gui/GuiTestSupport.h"
#include "ui/TextEncoding.h"

namespace {

// Names whose UTF-8 holds 0xB7, the bullet byte: "з" D0 B7, "ķ" C4 B7, "巷"
// E5 B7 B7, "·" C2 B7.
const std::string kCyrillic = "\xD0\x9A\xD0\xBE\xD0\xB7\xD0\xBB\xD0\xBE\xD0\xB2";  // Козлов
const std::string kLatvian = "\xC5\xA0\xC4\xB7\xC4\x93le";                         // Šķēle
const std::string kCjk = "\xE5\xB7\xB7\xE6\x88\x98";                               // 巷战
const std::string kDotted = "Jean\xC2\xB7Pierre";                                  // Jean·Pierre

std::string Game(const std::string& white, const std::string& black, const std::string& comment) {
  return "[Event \"Riga\"]\r\n[Site \"?\"]\r\n[Date \"2024.01.01\"]\r\n[Round \"1\"]\r\n"
         "[White \"" +
         white + "\"]\r\n[Black \"" + black +
         "\"]\r\n[Result \"1-0\"]\r\n\r\n"
         "1. e4 {" +
         comment + "} e5 2. Qh5 Nc6 3. Bc4 Nf6 4. Qxf7# 1-0";
}

std::string Collection(const std::string& comment) {
  return SavedForm({Game(kCyrillic, kLatvian, comment), Game(kCjk, kDotted, "ok"),
                    Game(kLatvian, kCyrillic, kDotted)});
}

// Typed as key presses that carry the characters (keyClicks knows only ASCII).
void TypeText(QWidget* w, const QString& text) {
  for (const QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(w, &press);
  }
}

std::string Utf8(const QString& s) {
  return s.toStdString();
}

}  // namespace

class TestForm1Encoding : public TGuiTest {
  Q_OBJECT

  void OpenCollection(const std::string& bytes) {
    c->Start();
    std::filesystem::copy_file(KORVANE_BRDGRID, c->Dir.File(kBoardImageFile));
    path = c->Dir.File("names.pgn");
    WriteFileBytes(path, bytes);
    c->Dialogs.FileNames.push_back(path);
    c->Menu("Open1");
  }
  bool ShownUtf8() {
    const QString status = c->Text("StatusLine");
    if (!status.endsWith("UTF-8 text") && !status.endsWith("Latin-1 text")) {
      qWarning() << status;
      return false;
    }
    return status.endsWith("UTF-8 text") && c->Find<QAction>("Utf8Text1")->isChecked();
  }

 private slots:
  void openEditSaveKeepsBytes_data() {
    QTest::addColumn<QString>("comment");  // Latin-1 bytes of the first game's comment
    QTest::addColumn<bool>("detected");
    QTest::addColumn<bool>("switchTo");
    QTest::addColumn<QString>("typed");  // typed after the Latvian name
    QTest::addColumn<QString>("inserted");
    // A character of the other encoding is refused with a beep, never typed as "?".
    QTest::newRow("valid UTF-8 shown as UTF-8")
        << QString("ok") << true << true << QString::fromUtf16(u"\u5DF7\u00E9")
        << QString::fromUtf16(u"\u5DF7\u00E9");
    QTest::newRow("switched to Latin-1")
        << QString("ok") << true << false << QString::fromUtf16(u"\u0437\u00E9")
        << QString::fromUtf16(u"\u00E9");
    QTest::newRow("invalid byte, switched to UTF-8")
        << QString::fromUtf16(u"caf\u00E9") << false << true << QString::fromUtf16(u"\u0437")
        << QString::fromUtf16(u"\u0437");
  }

  void openEditSaveKeepsBytes() {
    QFETCH(QString, comment);
    QFETCH(bool, detected);
    QFETCH(bool, switchTo);
    QFETCH(QString, typed);
    QFETCH(QString, inserted);
    const std::string original = Collection(FromLatin1Text(comment));
    OpenCollection(original);
    QCOMPARE(ShownUtf8(), detected);
    if (switchTo != detected) c->Menu("Utf8Text1");
    QCOMPARE(ShownUtf8(), switchTo);
    // The board's title reads the tags as the page shows them.
    c->Memo()->SetSelection(static_cast<int64_t>(c->Memo()->Text().find("Qxf7#")), 0);
    c->Form->OpenBoardAtCaret();
    auto* board = c->Form->findChild<TChessBoardForm*>();
    QVERIFY(board);
    const QString white = switchTo ? QString::fromStdString(kCyrillic)
                                   : QString::fromLatin1(kCyrillic.data(), kCyrillic.size());
    QVERIFY2(board->windowTitle().contains(white + " - "), qPrintable(board->windowTitle()));
    delete board;

    const std::string name = "[White \"" + kLatvian + "\"]";
    const int64_t at = static_cast<int64_t>(c->Memo()->Text().find(name)) + 8 + kLatvian.size();
    c->Memo()->SetSelection(at, 0);
    TypeText(c->Memo(), typed);
    const std::string bytes = switchTo ? Utf8(inserted) : FromLatin1Text(inserted);
    QCOMPARE(c->Dialogs.Beeps, typed == inserted ? 0 : 1);
    QCOMPARE(c->Memo()->SelStart(), at + static_cast<int64_t>(bytes.size()));

    // Switching and back keeps the bytes, the caret, the modified flag and the undo step.
    const std::string edited = c->Memo()->Text();
    for (int i = 0; i < 2; ++i) {
      c->Menu("Utf8Text1");
      QCOMPARE(ShownUtf8(), i == 0 ? !switchTo : switchTo);
      QVERIFY(c->Memo()->Text() == edited);
      QCOMPARE(c->Memo()->SelStart(), at + static_cast<int64_t>(bytes.size()));
      QVERIFY(c->Memo()->Modified());
    }
    c->Memo()->undo();
    QVERIFY(c->Memo()->Text().find(name) != std::string::npos);
    c->Memo()->redo();
    QVERIFY(c->Memo()->Text() == edited);

    c->Menu("Save1");
    std::string expected = original;
    expected.insert(expected.find(name) + 8 + kLatvian.size(), bytes);
    QVERIFY(ReadFileBytes(path) == expected);
    QVERIFY(c->Dialogs.Shown.empty());

    // The last choice in the menu is the default of the next start.
    QVERIFY(c->Form->close());
    c->Form.reset();
    const std::string ini = ReadFileBytes(c->Dir.File("korvane.ini"));
    QVERIFY(ini.ends_with(switchTo ? "utf8 text=1\r\n" : "utf8 text=0\r\n"));
    IniValue = IniValueRec{};
    c->Start();
    QCOMPARE(ShownUtf8(), switchTo);
  }

  void detectsUtf8InTheFirstMegabyte_data() {
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<bool>("utf8");
    QTest::newRow("ASCII only") << QByteArray("[Event \"x\"]\r\n") << false;
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF[Event") << true;
    QTest::newRow("Cyrillic, Latvian, CJK")
        << QByteArray::fromStdString(kCyrillic + kLatvian + kCjk + kDotted) << true;
    QTest::newRow("Latin-1 accent") << QByteArray("caf\xE9 ") << false;
    QTest::newRow("bullet byte") << QByteArray("\xB7\r\n[Event") << false;
    QTest::newRow("valid, then one invalid byte")
        << QByteArray::fromStdString(kCyrillic + "\xE9 ") << false;
    QTest::newRow("cut at the probe's end")
        << QByteArray::fromStdString(kCyrillic + "\xE5\xB7") << true;
    QTest::newRow("overlong slash") << QByteArray("a\xC0\xAF") << false;
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
    QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << false;
  }

  void detectsUtf8InTheFirstMegabyte() {
    QFETCH(QByteArray, head);
    QFETCH(bool, utf8);
    QCOMPARE(LooksLikeUtf8(std::string_view(head.constData(), static_cast<size_t>(head.size()))),
             utf8);
  }

  // A character that Latin-1 cannot hold is refused in the find box and the
  // clipboard, never searched for or pasted as "?" (a wildcard to the Find list).
  void findAndPasteRefuseWhatTheEncodingCannotHold() {
    OpenCollection(Collection("ok"));
    c->Menu("Utf8Text1");  // Latin-1
    auto* find = c->Find<QLineEdit>("Edit3");
    find->setText(QString::fromStdString(kCyrillic));
    c->Memo()->SetSelection(0, 0);
    c->Click("Button6");
    QCOMPARE(c->Dialogs.Shown.size(), size_t{1});
    QVERIFY(c->Dialogs.Shown[0].Text.find("U+041A") != std::string::npos);
    QCOMPARE(c->Memo()->SelLength(), int64_t{0});

    const std::string page = c->Memo()->Text();
    QApplication::clipboard()->setText(QString::fromStdString(kCjk));
    c->Menu("PasteLarge1");
    QCOMPARE(c->Dialogs.Shown.size(), size_t{2});
    QVERIFY(c->Memo()->Text() == page);

    // Shown as UTF-8, the same text finds its bytes.
    c->Menu("Utf8Text1");
    c->Click("Button6");
    QCOMPARE(c->Dialogs.Shown.size(), size_t{2});
    QCOMPARE(c->Memo()->SelStart(), static_cast<int64_t>(page.find(kCyrillic)));
    QVERIFY(c->Memo()->SelectedText() == kCyrillic);
    // The selection goes back into the box as the same characters.
    find->clear();
    c->Form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(c->Form.get()));
    c->Memo()->setFocus();
    c->Menu("FindCtrlF1");
    QCOMPARE(find->text(), QString::fromStdString(kCyrillic));

    // A code for the bullet resolves into the box and still finds the bullet
    // from there, though 0xB7 alone is no UTF-8.
    find->setText("&&03");
    c->Memo()->SetSelection(0, 0);
    c->Click("Button6");
    c->Click("Button6");
    QCOMPARE(c->Memo()->SelStart(), static_cast<int64_t>(page.find("\xB7\r\n", 1)));
    QCOMPARE(c->Memo()->SelLength(), int64_t{3});

    // Copied and pasted back, a bullet line (0xB7 is no UTF-8) keeps its bytes.
    const std::string line = page.substr(0, page.find("\r\n[Site"));
    QVERIFY(line.starts_with("\xB7\r\n[Event"));
    c->Memo()->SetSelection(0, static_cast<int64_t>(line.size()));
    c->Menu("Copy1");
    c->Memo()->SetSelection(c->Memo()->Length(), 0);
    c->Menu("Paste1");
    QVERIFY(c->Memo()->Text() == page + line);
    QCOMPARE(c->Dialogs.Shown.size(), size_t{2});
  }

 private:
  static std::string FromLatin1Text(const QString& s) {
    const QByteArray b = s.toLatin1();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
  }
};

QTEST_MAIN(TestForm1Encoding)
#include "test_gui_encoding.moc"
