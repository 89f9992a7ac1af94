// What the window writes in other forms, byte for byte: packed files through
// the PGC Packed Options dialog, pages shown as UTF-8 or Latin-1, the game file
// of the Export menu.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "export/ExportGame.h"
#include "export/Unit5Pac.h"
#include "settings/Settings.h"
#include "tests/gui/GuiTestSupport.h"
#include "ui/TextEncoding.h"

namespace fs = std::filesystem;

namespace {

// Names whose UTF-8 holds 0xB7, the bullet byte: "з" D0 B7, "ķ" C4 B7, "巷" E5 B7 B7.
const std::string kCyrillic = "\xD0\x9A\xD0\xBE\xD0\xB7\xD0\xBB\xD0\xBE\xD0\xB2";  // Козлов
const std::string kLatvian = "\xC5\xA0\xC4\xB7\xC4\x93le";                         // Šķēle
const std::string kCjk = "\xE5\xB7\xB7\xE6\x88\x98";                               // 巷战

std::string Collection(const std::string& comment) {
  std::string games;
  for (auto [white, black] : {std::pair{kCyrillic, kLatvian}, {kCjk, kCyrillic}}) {
    games += "\r\n[Event \"Riga\"]\r\n[White \"" + white + "\"]\r\n[Black \"" + black +
             "\"]\r\n[Result \"1-0\"]\r\n\r\n1. e4 {" + comment + "} e5 2. Qh5 Nc6 1-0\r\n";
  }
  return games;
}

// The comments' bytes, the encoding guessed and the one switched to, the
// characters typed and those the encoding takes.
const struct {
  const char *Name, *Comment;
  bool Detected, Utf8;
  const char16_t *Typed, *Inserted;
} kEncodingRows[] = {
    {"UTF-8", "ok", true, true, u"\u5DF7\u00E9", u"\u5DF7\u00E9"},
    {"switched to Latin-1", "ok", true, false, u"\u0437\u00E9", u"\u00E9"},
    {"invalid byte, switched to UTF-8", "caf\xE9", false, true, u"\u0437", u"\u0437"},
};

// What exporting game n (0-based) of the page must write: from its "[Event "
// to the next bullet, without the tags london1851 has after Result.
std::string ExpectedExport(const std::string& page, int n) {
  size_t start = page.find("[Event ");
  for (int i = 0; i < n; ++i) start = page.find("[Event ", start + 1);
  std::string game = page.substr(start, page.find('\xB7', start) - start);
  for (const char* tag : {"[WhiteElo ", "[BlackElo ", "[ECO "}) {
    const size_t at = game.find(tag);
    if (at != std::string::npos) game.erase(at, game.find("\r\n", at) + 2 - at);
  }
  return game;
}

}  // namespace

class TestForm1Formats : public TGuiTest {
  Q_OBJECT

  // Answers the next PGC Packed Options dialog once it is shown.
  void WhenShown(std::function<void(TForm5*)> answer) {
    QTimer::singleShot(0, c->Form.get(), [this, answer] {
      if (auto* form = c->Form->findChild<TForm5*>()) answer(form);
    });
  }
  static void Set(TForm5* form, const char* edit, const QString& text) {
    form->findChild<QLineEdit*>(edit)->setText(text);
  }
  static void Ok(TForm5* form) { form->findChild<QPushButton*>("OKBtn")->click(); }
  void SavePacked(const std::string& name, bool append, bool* stayed = nullptr) {
    c->Dialogs.FileNames.push_back(name);
    WhenShown([append, stayed](TForm5* form) {
      form->findChild<QCheckBox*>("CheckBox1")->setChecked(append);
      Ok(form);
      if (stayed) *stayed = form->isVisible();
    });
    c->Menu("SaveAsPacked1");
  }
  bool ShownUtf8() {
    return c->Text("StatusLine").endsWith("UTF-8 text") &&
           c->Find<QAction>("Utf8Text1")->isChecked();
  }

 private slots:
  // London saved packed, appended packed, and opened from game 252 on after a
  // field that is not a number: all of London again, saved back as it was; then
  // a game that cannot be packed.
  void packedSaveThenOpenGivesTheSameGames() {
    fs::copy_file(PackerLibraryPath(), c->Dir.File("libppkdlv02.so"));
    OpenLondon();
    const std::string packed = c->Dir.File("london1851.pgc");
    SavePacked(packed, false);
    QCOMPARE(c->Dialogs.FileDialogs.back().FileName, packed);  // proposed from london1851.pgn
    SavePacked(packed, true);
    const std::string both = ReadFileBytes(packed);
    QCOMPARE(std::count(both.begin(), both.end(), '\n'), 502);
    QVERIFY(!fs::exists(c->Dir.File("~ZolUnt5.tmp")));
    c->Dialogs.FileNames.push_back(packed);
    bool stayed = false;
    WhenShown([&](TForm5* form) {
      Set(form, "Edit4", "");
      Ok(form);
      stayed = form->isVisible() && c->Dialogs.Shown.size() == 1;
      Set(form, "Edit3", "252");
      Set(form, "Edit4", "251");
      Ok(form);
    });
    c->Menu("OpenPacked1");
    QVERIFY(stayed);
    QCOMPARE(c->Form->windowTitle(), QString("Korvane - london1851.pgc"));
    // Save asks for a PGN name beside the packed file; the opened PGN is left alone.
    c->Dialogs.FileNames.push_back(c->Dir.File("back.pgn"));
    c->Menu("Save1");
    QCOMPARE(c->Dialogs.FileDialogs.back().FileName, path);
    QCOMPARE(ReadFileBytes(c->Dir.File("back.pgn")), "\r\n" + TestData("london1851.pgn"));
    QCOMPARE(ReadFileBytes(path), TestData("london1851.pgn"));

    // A game the packed format cannot keep: the dialog closes, the window
    // shows that game, and the packed file that was there is untouched.
    const std::string old = c->Copy("fools-mate.pgn", "old.pgc");
    const std::string page = c->Memo()->Text();
    c->TypeAt(static_cast<int64_t>(page.find("[Site ", page.find("[Site ") + 1)),
              "[EventDate \"?\"]\r");
    c->Dialogs.Answers = {TMsgAnswer::Yes};
    stayed = true;
    SavePacked(old, false, &stayed);
    QVERIFY(!stayed);
    QCOMPARE(c->Memo()->SelectedText(), std::string("[Event \"London2\"]"));
    QVERIFY(LastBox().find("\rgame 2 of the file, on page 1\r") != std::string::npos);
    QCOMPARE(ReadFileBytes(old), TestData("fools-mate.pgn"));
    QVERIFY(c->Form->IsFileModified());
  }

  // The guess on open, the menu switch, characters the shown encoding cannot
  // hold refused with a beep, and the bytes saved unchanged but for the typing.
  void encodingKeepsBytes_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < 3; ++i) QTest::newRow(kEncodingRows[i].Name) << i;
  }
  void encodingKeepsBytes() {
    QFETCH(int, row);
    const auto& [name, comment, detected, utf8, typed, kept] = kEncodingRows[row];
    const std::string original = Collection(comment);
    c->Start();
    WriteFileBytes(path = c->Dir.File("names.pgn"), original);
    c->Dialogs.FileNames.push_back(path);
    c->Menu("Open1");
    QCOMPARE(ShownUtf8(), detected);
    if (utf8 != detected) c->Menu("Utf8Text1");
    QCOMPARE(ShownUtf8(), utf8);
    const size_t at = c->Memo()->Text().find(kLatvian) + kLatvian.size();
    c->Memo()->SetSelection(static_cast<int64_t>(at), 0);
    for (const char16_t ch : std::u16string_view(typed)) {  // keys that carry the characters
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(ch)));
      QApplication::sendEvent(c->Memo(), &press);
    }
    const QString inserted = QString::fromUtf16(kept);
    QCOMPARE(c->Dialogs.Beeps, inserted == QString::fromUtf16(typed) ? 0 : 1);
    c->Menu("Utf8Text1");  // switching and back keeps the bytes
    c->Menu("Utf8Text1");
    c->Menu("Save1");
    std::string expected = original;
    expected.insert(expected.find(kLatvian) + kLatvian.size(),
                    (utf8 ? inserted.toUtf8() : inserted.toLatin1()).toStdString());
    QVERIFY(ReadFileBytes(path) == expected);
    QVERIFY(c->Dialogs.Shown.empty());
  }

  // A byte-order mark, names, a character cut at the probe's end; ASCII only,
  // a Latin-1 accent, the bullet, a valid start then an invalid byte, an
  // overlong form, a surrogate, a code past U+10FFFF.
  void detectsUtf8() {
    const std::pair<const char*, bool> rows[] = {
        {"\xEF\xBB\xBF[Event", true}, {"\xD0\x9A\xD0\xB7\xC4\xB7\xE5\xB7\xB7", true},
        {"\xD0\x9A\xE5\xB7", true},   {"[Event \"x\"]\r\n", false},
        {"caf\xE9 ", false},          {"\xB7\r\n[Event", false},
        {"\xD0\x9A\xE9 ", false},     {"a\xC0\xAF", false},
        {"\xED\xA0\x80", false},      {"\xF4\x90\x80\x80", false}};
    for (const auto& [head, utf8] : rows) QVERIFY2(LooksLikeUtf8(head) == utf8, head);
  }

  // Each entry writes the game at the caret into its directory and starts its
  // program: once per run with a final point, every time without.
  void exportWritesTheGameAndStartsTheProgram() {
    const std::string pgnDir = c->Dir.Path().string();
    std::vector<std::pair<std::string, TLaunchTarget>> started;
    TForm1Setup setup;
    setup.Launcher = [&](const std::string& program, const TLaunchTarget& target) {
      started.emplace_back(program, target);
      return kShellStarted;
    };
    WriteFileBytes(c->Dir.File("korvane.ini"),
                   "[Exports]\r\n11=Fritz.\r\n12=" + pgnDir + "\r\n13=/opt/fritz\r\n14=a.pgn\r\n" +
                       "21=Crafty\r\n22=" + pgnDir + "\\\r\n23=/opt/crafty\r\n24=b.pgn\r\n");
    c->Start(setup);
    c->Dialogs.FileNames = {c->Copy("london1851.pgn")};
    c->Menu("Open1");
    const std::string page = c->Memo()->Text();
    size_t moves = 0;
    for (int i = 0; i < 3; ++i) moves = page.find("\r\n1.", moves + 1);
    c->Memo()->SetSelection(static_cast<int64_t>(moves + 4), 0);  // in game 3
    for (const char* item : {"ExportItem1", "ExportItem1", "ExportItem2", "ExportItem2"})
      c->Menu(item);
    QCOMPARE(started.size(), size_t{3});
    QCOMPARE(started[0].second.Parameters, std::string("a.pgn"));
    QCOMPARE(started[0].second.WorkDir, pgnDir + "/");
    QCOMPARE(started[2].first, std::string("/opt/crafty"));
    QCOMPARE(ReadFileBytes(c->Dir.File("a.pgn")), ExpectedExport(page, 2));
    QCOMPARE(ReadFileBytes(c->Dir.File("b.pgn")), ExpectedExport(page, 2));
    QVERIFY(c->Dialogs.Shown.empty());
    // A file that cannot be written is reported and starts nothing; so is a
    // caret outside the games.
    IniValue.Exports[1][kExportDirectory] = c->Dir.File("gone");
    c->Menu("ExportItem2");
    c->Memo()->SetSelection(0, 0);  // before the first game
    c->Menu("ExportItem2");
    QCOMPARE(c->Dialogs.Shown.size(), size_t{2});
    QCOMPARE(started.size(), size_t{3});
  }
};

QTEST_MAIN(TestForm1Formats)
#include "test_gui_formats.moc"
