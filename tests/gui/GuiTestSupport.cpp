#include "tests/gui/GuiTestSupport.h"

#include <QTest>
#include <filesystem>

#include "settings/Settings.h"

TGuiCase::TGuiCase() {
  // The settings file and the work files belong beside "the program".
  SetProgramFile(Dir.File("korvane"));
  IniValue = IniValueRec{};
}

TGuiCase::~TGuiCase() {
  form_.reset();
}

TForm1& TGuiCase::Start(const QStringList& params) {
  TForm1Setup setup;
  setup.Params = params;
  setup.WorkDir = Dir.Path().string();
  form_ = std::make_unique<TForm1>(setup);
  form_->show();
  return *form_;
}

QString TGuiCase::Text(const char* name) {
  if (auto* e = Find<QLineEdit>(name)) return e->text();
  if (auto* l = Find<QLabel>(name)) return l->text();
  return QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

void TGuiCase::Click(const char* button) {
  auto* b = Find<QPushButton>(button);
  QVERIFY2(b, button);
  b->click();
}

void TGuiCase::Menu(const char* item) {
  auto* a = Find<QAction>(item);
  QVERIFY2(a, item);
  QVERIFY2(a->isEnabled(), item);
  a->trigger();
}

void TGuiCase::TypeAt(int64_t offset, const QString& keys) {
  Memo()->SetSelection(offset, 0);
  QTest::keyClicks(Memo(), keys);
}

void TGuiCase::OpenFile(const std::string& path) {
  Dialogs.FileNames.push_back(path);
  Menu("Open1");
}

void TGuiCase::SetBufferSize(const QString& text) {
  auto* edit = Find<QLineEdit>("Edit1");
  edit->setText(text);
  QTest::keyRelease(edit, Qt::Key_0);
}

std::string TGuiCase::Copy(const std::string& dataName, const std::string& as) {
  const std::string target = Dir.File(as.empty() ? dataName : as);
  WriteFileBytes(target, TestData(dataName));
  return target;
}

std::vector<std::string> TGuiCase::WorkFiles() const {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(Dir.Path())) {
    const std::string name = e.path().filename().string();
    if (name.rfind("~korvane.", 0) == 0) names.push_back(name);
  }
  return names;
}

std::string TGuiCase::ScriptFailures() const {
  std::string out;
  for (int i = 0; i < Failures.size(); ++i) out += Failures.GetTestPartResult(i).message();
  return out;
}

namespace {

std::string TrimLineEnds(std::string s) {
  size_t from = 0;
  while (s.compare(from, 2, "\r\n") == 0) from += 2;
  s.erase(0, from);
  while (s.size() >= 2 && s.compare(s.size() - 2, 2, "\r\n") == 0) s.resize(s.size() - 2);
  return s;
}

}  // namespace

std::vector<std::string> GamesOf(const std::string& pgn) {
  std::vector<size_t> starts;
  for (size_t at = pgn.find("[Event "); at != std::string::npos; at = pgn.find("[Event ", at + 1)) {
    if (at == 0 || pgn[at - 1] == '\n') starts.push_back(at);
  }
  std::vector<std::string> games;
  for (size_t i = 0; i < starts.size(); ++i) {
    const size_t end = i + 1 < starts.size() ? starts[i + 1] : pgn.size();
    games.push_back(TrimLineEnds(pgn.substr(starts[i], end - starts[i])));
  }
  return games;
}

std::vector<std::string> GamesOfPages(const std::string& pages) {
  std::vector<std::string> games;
  size_t at = pages.find('\xB7');
  while (at != std::string::npos) {
    const size_t next = pages.find('\xB7', at + 1);
    const size_t end = next == std::string::npos ? pages.size() : next;
    games.push_back(TrimLineEnds(pages.substr(at + 1, end - at - 1)));
    at = next;
  }
  return games;
}

std::string SavedForm(const std::vector<std::string>& games) {
  std::string out;
  for (const auto& g : games) out += "\r\n" + g + "\r\n";
  return out;
}

int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}
