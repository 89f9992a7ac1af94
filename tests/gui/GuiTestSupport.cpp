#include "tests/gui/GuiTestSupport.h"

#include <QAction>
#include <QRadioButton>
#include <QTest>
#include <filesystem>

#include "settings/Settings.h"

TGuiCase::TGuiCase() {
  // The settings file and the work files belong beside "the program".
  SetProgramFile(Dir.File("korvane"));
  IniValue = IniValueRec{};
}

void TGuiCase::Start(TForm1Setup setup) {
  setup.WorkDir = Dir.Path().string();
  Form = std::make_unique<TForm1>(setup);
  Form->show();
}

void TGuiCase::Click(const char* button) {
  auto* b = Find<QPushButton>(button);
  QVERIFY2(b, button);
  b->click();
}

void TGuiCase::Menu(const char* item) {
  auto* a = Find<QAction>(item);
  QVERIFY2(a && a->isEnabled(), item);
  a->trigger();
}

void TGuiCase::TypeAt(int64_t offset, const QString& keys) {
  Memo()->SetSelection(offset, 0);
  QTest::keyClicks(Memo(), keys);
}

void TGuiCase::SetBufferSize(const QString& text) {
  auto* edit = Find<QLineEdit>("Edit1");
  edit->clear();
  QTest::keyClicks(edit, text);
  QTest::keyClick(edit, Qt::Key_Return);
}

void TGuiCase::Scope(int item) {
  Find<QRadioButton>(("RadioGroup1Item" + std::to_string(item)).c_str())->click();
}

void TGuiCase::SetFind(const QString& find, const QString& repl) {
  Find<QLineEdit>("Edit3")->setText(find);
  Find<QLineEdit>("Edit4")->setText(repl);
}

QPoint TGuiCase::PointAt(int64_t offset) {
  using Sci = QsciScintillaBase;
  const auto pos = static_cast<long>(offset);
  return QPoint(static_cast<int>(Memo()->SendScintilla(Sci::SCI_POINTXFROMPOSITION, 0UL, pos)),
                static_cast<int>(Memo()->SendScintilla(Sci::SCI_POINTYFROMPOSITION, 0UL, pos)));
}

std::string TGuiCase::Copy(const std::string& dataName, const std::string& as) {
  const std::string target = Dir.File(as.empty() ? dataName : as);
  WriteFileBytes(target, TestData(dataName));
  return target;
}

void TGuiTest::OpenLondon(TForm1Setup setup) {
  c->Start(std::move(setup));
  path = c->Copy("london1851.pgn");
  c->SetBufferSize("10000");
  c->Dialogs.FileNames.push_back(path);
  c->Menu("Open1");
}

void TGuiTest::cleanup() {
  std::string failures;  // from unscripted questions
  for (int i = 0; i < c->Failures.size(); ++i)
    failures += c->Failures.GetTestPartResult(i).message();
  c.reset();
  QVERIFY2(failures.empty(), failures.c_str());
}

std::vector<std::string> GamesOf(const std::string& text) {
  std::vector<std::string> games;
  for (size_t at = text.find("[Event "); at != std::string::npos;) {
    const size_t next = text.find("\n[Event ", at);
    std::string game = text.substr(at, next == std::string::npos ? next : next - at);
    game.erase(game.find_last_not_of("\r\n\xB7") + 1);  // line ends and the next bullet
    games.push_back(game);
    at = next == std::string::npos ? next : next + 1;
  }
  return games;
}

std::string SavedForm(const std::vector<std::string>& games) {
  std::string out;
  for (const auto& g : games) out += "\r\n" + g + "\r\n";
  return out;
}
