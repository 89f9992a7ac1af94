// What the batch subcommands share: a Dialogs that turns every box into a line
// on stderr, a temporary directory for the work files of one run, the clean-up
// when a signal ends the run, and the checks and reports every command makes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "batch/BatchCommands.h"
#include "settings/Dialogs.h"
#include "stream/FileIo.h"
#include "stream/TxStream.h"

// The running command's name, the start of every line on stderr ("normalize").
extern const char* BatchCommand;

// Bytes below 0x20 and above 0x7E as <xx>, so that a report line stays one line.
std::string PrintableBytes(std::string_view text);

// Installed for its lifetime. Questions are answered No (or Cancel) so that
// nothing goes ahead unasked; the catch-all question after an error is not
// printed at all, as the error before it was. Halt throws EHalt for the
// subcommand to turn into its exit status.
class TReportDialogs : public Dialogs {
 public:
  explicit TReportDialogs(std::FILE* out = stderr);
  ~TReportDialogs() override;
  TReportDialogs(const TReportDialogs&) = delete;
  TReportDialogs& operator=(const TReportDialogs&) = delete;

  // Where the tool stands ("check 3 page 12"); printed before each box text.
  std::string Context;
  int Boxes = 0;  // the boxes shown
  int Drops = 0;  // of them, the ones telling of text a repair dropped or moved

  TMsgAnswer Message(const std::string& text, TMsgKind kind, TMsgButtons buttons,
                     int helpContext) override;
  bool InputQuery(const std::string& caption, const std::string& prompt,
                  std::string& value) override;
  bool OpenFileName(TFileDialogRequest& request) override;
  bool SaveFileName(TFileDialogRequest& request) override;
  void Beep() override {}
  void Halt(int exitCode) override { throw EHalt{exitCode}; }

  // kExitFindings when a drop was told of, otherwise kExitClean.
  int CleanOrDrops() const { return Drops > 0 ? kExitFindings : kExitClean; }

 private:
  std::FILE* out_;
  Dialogs* previous_;
};

// A fresh temporary directory holding the bullet and reorganisation files of
// this run (their names are set here), removed with them at destruction, or
// when SIGINT, SIGTERM or SIGHUP ends the run. A run that is killed cannot
// remove its directory; every run removes each such directory whose lock file
// ("<directory>.lock") no running program holds.
class TBatchWorkDir {
 public:
  TBatchWorkDir();
  ~TBatchWorkDir();
  TBatchWorkDir(const TBatchWorkDir&) = delete;
  TBatchWorkDir& operator=(const TBatchWorkDir&) = delete;
  // Empty when the directory could not be made.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::string lockName_;
  TWorkFileLock lock_;
};

// Removes the work directories of killed batch runs from the temporary
// directory; the number removed.
int RemoveStaleBatchDirs();

// Blocks SIGINT, SIGTERM and SIGHUP in every thread and starts the one thread
// that waits for them: it removes the work directory and the temporary file of
// any save under way, then ends the program by the same signal. Called once,
// before any other thread starts.
void InstallSignalCleanup();

// False, after a line on stderr with the system's reason, when name cannot be
// opened for reading or is a directory.
bool CheckReadable(const std::string& name);
// The line on stderr for an output that was not written, with the reason.
void ReportNotWritten(const std::string& name);
// The line on stderr for a halt of the core; the exit status to give.
int ReportHalt(const EHalt& halt);

// Converts fileName into the work file of dir, as Open does, and maps it. Null,
// after a line on stderr, when that fails.
std::unique_ptr<TFStreamTxStr> ConvertForBatch(const TBatchWorkDir& dir,
                                               const std::string& fileName, int32_t bufferSize,
                                               TReportDialogs& report);
