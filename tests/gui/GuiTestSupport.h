// One window test: a fresh directory that stands in for the program's own, the
// scripted dialogs, and the window under test.
#pragma once

#include <gtest/gtest-spi.h>

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "app/PageEditor.h"
#include "app/StatusPanel.h"
#include "app/Unit1.h"
#include "tests/support/TestSupport.h"

class TGuiCase {
 public:
  TGuiCase();
  ~TGuiCase();

  // Creates and shows the window (first show runs the start-up).
  TForm1& Start(const QStringList& params = {});
  TForm1& Form() { return *form_; }

  template <class W>
  W* Find(const char* name) {
    return form_->findChild<W*>(QString::fromLatin1(name));
  }
  TPageEditor* Memo() { return Find<TPageEditor>("Memo1"); }
  QString Text(const char* name);  // a label's or a line edit's text
  void Click(const char* button);
  void Menu(const char* item);
  // Types into the editor at a 0-based offset.
  void TypeAt(int64_t offset, const QString& keys);
  // Opens a file for editing through File/Open.
  void OpenFile(const std::string& path);
  // Sets the buffer-size field as the user would.
  void SetBufferSize(const QString& text);

  // A copy of a test-data file in the case's directory.
  std::string Copy(const std::string& dataName, const std::string& as = "");
  // The names of the case directory's work files.
  std::vector<std::string> WorkFiles() const;
  // Failures reported by the scripted dialogs (unscripted questions).
  std::string ScriptFailures() const;

  TTempDir Dir;
  testing::TestPartResultArray Failures;
  testing::ScopedFakeTestPartResultReporter Trap{&Failures};
  TScriptDialogs Dialogs;

 private:
  std::unique_ptr<TForm1> form_;
};

// The games of a PGN text: each from its "[Event " line to its last non-empty line.
std::vector<std::string> GamesOf(const std::string& pgn);
// The games of pages (bullet records).
std::vector<std::string> GamesOfPages(const std::string& pages);
// The plain PGN that Save writes for these games.
std::string SavedForm(const std::vector<std::string>& games);
// Count of a substring.
int CountOf(const std::string& text, const std::string& what);
