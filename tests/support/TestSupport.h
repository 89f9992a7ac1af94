// Shared helpers for the tests: a scripted Dialogs that answers from a queue
// and records every box, and a fresh temporary directory per test.
#pragma once

#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "settings/Dialogs.h"
#include "stream/FileIo.h"
#include "stream/TxStream.h"

struct TShownBox {
  std::string Text;
  TMsgKind Kind;
  TMsgButtons Buttons;
  int HelpContext;
  std::string NoCaption;  // a No button captioned by what it does
};

class TScriptDialogs : public Dialogs {
 public:
  TScriptDialogs();
  ~TScriptDialogs() override;

  // Answers to the next questions (boxes with more than an OK button), in
  // order; an unscripted question fails the test (and answers Cancel or No).
  std::deque<TMsgAnswer> Answers;
  // How the next boxes with only an OK button are closed; OK when empty.
  std::deque<TMsgAnswer> OkBoxAnswers;
  // Names given to the next file dialogs, in order; an empty string cancels.
  std::deque<std::string> FileNames;
  std::deque<std::string> Inputs;  // answers of input boxes; absent = cancelled

  struct TInputAsked {
    std::string Caption, Prompt, Default;
  };
  std::vector<TShownBox> Shown;
  std::vector<TInputAsked> InputQueries;
  std::vector<TFileDialogRequest> FileDialogs;
  int Beeps = 0;

  TMsgAnswer Message(const std::string& text, TMsgKind kind, TMsgButtons buttons,
                     int helpContext) override;
  TMsgAnswer Question(const std::string& text, TMsgKind kind, TMsgButtons buttons,
                      const std::string& noCaption, int helpContext) override;
  bool InputQuery(const std::string& caption, const std::string& prompt,
                  std::string& value) override;
  bool OpenFileName(TFileDialogRequest& request) override { return AnswerFileDialog(request); }
  bool SaveFileName(TFileDialogRequest& request) override { return AnswerFileDialog(request); }
  void Beep() override { ++Beeps; }
  void Halt(int exitCode) override { throw EHalt{exitCode}; }

  std::vector<std::string> Texts() const;

 private:
  bool AnswerFileDialog(TFileDialogRequest& request);
  Dialogs* previous_;
};

// A fresh empty directory per test, removed with everything in it.
class TTempDir {
 public:
  TTempDir();
  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return dir_.File(name); }

 private:
  TScratchDir dir_{"korvane-test"};
  std::filesystem::path path_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// A file of tests/data.
std::string TestDataPath(const std::string& name);
inline std::string TestData(const std::string& name) {
  return ReadFileBytes(TestDataPath(name));
}
// LF line ends turned into CR LF (lines already ending in CR LF stay).
std::string ToCrLf(const std::string& text);

// The text without its tag lines whose names are not among the 18 known ones.
std::string WithoutUnknownTags(const std::string& text);
// The built packing library.
inline std::string PackerLibraryPath() {
  return KORVANE_PACKER_LIB;
}

// Runs a shell command; gives its standard output (and standard error when
// withStderr) and returns its exit status (-1 when it could not run).
int RunCapture(const std::string& command, std::string& output, bool withStderr = false);
// The path of korvane-batch, quoted for a shell command.
inline std::string BatchExe() {
  return std::string("'") + KORVANE_BATCH_EXE + "'";
}

// Converts the PGN file into a bullet file named bulletPath (the names in force
// are set to it) and opens that with its page map built.
std::unique_ptr<TFStreamTxStr> ConvertAndMap(const std::string& pgnPath,
                                             const std::string& bulletPath, int32_t bufferSize);
