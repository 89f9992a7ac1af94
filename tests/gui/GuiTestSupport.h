// One window test: a fresh directory that stands in for the program's own, the
// scripted dialogs, and the window under test.
#pragma once

#include <gtest/gtest-spi.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/PageEditor.h"
#include "app/StatusPanel.h"
#include "app/Unit1.h"
#include "tests/support/TestSupport.h"

class TGuiCase {
 public:
  TGuiCase();

  // Creates and shows the window (first show runs the start-up); the work
  // directory is the case's own.
  void Start(TForm1Setup setup = {});

  template <class W>
  W* Find(const char* name) {
    return Form->findChild<W*>(QString::fromLatin1(name));
  }
  TPageEditor* Memo() { return Find<TPageEditor>("Memo1"); }
  QString Text(const char* name) { return Find<QLabel>(name)->text(); }
  void Click(const char* button);
  void Menu(const char* item);
  void TypeAt(int64_t offset, const QString& keys);  // 0-based offset
  void SetBufferSize(const QString& text);           // typed, then Enter
  void Scope(int item);                              // 0 in page, 1 in file, 2 Find list
  void SetFind(const QString& find, const QString& repl = {});
  QPoint PointAt(int64_t offset);  // the editor's point of the character at offset

  // A copy of a test-data file in the case's directory.
  std::string Copy(const std::string& dataName, const std::string& as = "");

  TTempDir Dir;
  testing::TestPartResultArray Failures;
  testing::ScopedFakeTestPartResultReporter Trap{&Failures};
  TScriptDialogs Dialogs;
  std::unique_ptr<TForm1> Form;  // destroyed first
};

// A test class with a fresh case per test, failing on unscripted questions.
class TGuiTest : public QObject {
  Q_OBJECT

 protected:
  std::unique_ptr<TGuiCase> c;
  std::string path;  // the file opened by OpenLondon

  // London 1851 opened through File/Open with a 10000-byte buffer (many pages).
  void OpenLondon(TForm1Setup setup = {});
  int Pages() { return c->Text("StaticText4").toInt(); }
  std::string LastBox() { return c->Dialogs.Shown.empty() ? "" : c->Dialogs.Shown.back().Text; }

 private slots:
  void init() { c = std::make_unique<TGuiCase>(); }
  void cleanup();
};

// The games of a PGN text or of pages: each from its "[Event " line to its last
// line that is not empty.
std::vector<std::string> GamesOf(const std::string& text);
// The plain PGN that Save writes for these games.
std::string SavedForm(const std::vector<std::string>& games);
