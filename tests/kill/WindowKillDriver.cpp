// The window of the kill test, in a process of its own, driven from inside.
//   korvane_kill_driver edit DIR FILE   opens FILE with a 10000-byte buffer,
//     commits an edit on page 1 and one on page 2, prints "READY n" (n: the
//     number of the game edited on page 2) and waits to be killed;
//   korvane_kill_driver recover DIR     starts on DIR, answers Yes to the
//     recovery, saves and closes; exit status 0 when all of that happened.
// DIR stands in for the program's directory (settings and work files).
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>
#include <string>

#include "app/PageEditor.h"
#include "app/Unit1.h"
#include "settings/Settings.h"

namespace {

// Every question answered Yes, every box OK; no file dialog is expected.
class TYesDialogs final : public Dialogs {
 public:
  TMsgAnswer Message(const std::string& text, TMsgKind, TMsgButtons buttons, int) override {
    std::fprintf(stderr, "box: %s\n", text.c_str());
    return buttons == TMsgButtons::Ok || buttons == TMsgButtons::OkCancel ? TMsgAnswer::Ok
                                                                          : TMsgAnswer::Yes;
  }
  bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
  bool OpenFileName(TFileDialogRequest&) override { return false; }
  bool SaveFileName(TFileDialogRequest&) override { return false; }
  void Beep() override { std::fprintf(stderr, "beep\n"); }
  void Halt(int exitCode) override { ::_exit(exitCode); }
};

// Puts text before the first move list of the page and commits the page by
// moving on to the next one.
bool EditAndCommit(TForm1& form, const std::string& text) {
  TPageEditor* memo = form.findChild<TPageEditor*>("Memo1");
  const size_t moves = memo->Text().find("\r\n1.");
  if (moves == std::string::npos) return false;
  memo->SetSelection(static_cast<int64_t>(moves) + 2, 0);
  if (!memo->ReplaceSelection(text)) return false;
  form.findChild<QPushButton*>("Button1")->click();
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 3) return 2;
  const std::string mode = argv[1];
  const std::string dir = argv[2];
  QApplication app(argc, argv);
  TYesDialogs dialogs;
  SetDialogs(&dialogs);
  SetProgramFile(dir + "/korvane");
  TForm1Setup setup;
  setup.WorkDir = dir;
  if (mode == "edit" && argc > 3) setup.Params = {QString::fromLocal8Bit(argv[3])};
  TForm1 form(setup);
  form.findChild<QLineEdit*>("Edit1")->setText(QStringLiteral("010000"));
  form.show();  // the first show opens the file, or offers the recovery
  if (!form.Stream()) return 3;
  if (mode == "edit") {
    const std::string page1 = form.findChild<TPageEditor*>("Memo1")->Text();
    int games = 0;
    for (char ch : page1) games += ch == '\xB7';
    if (!EditAndCommit(form, "{kill edit A} ") || !EditAndCommit(form, "{kill edit B} ")) return 4;
    std::printf("READY %d\n", games + 1);
    std::fflush(stdout);
    for (;;) ::pause();
  }
  form.findChild<QAction*>("Save1")->trigger();
  const bool saved = !form.IsFileModified();
  form.close();
  return saved ? 0 : 5;
}
