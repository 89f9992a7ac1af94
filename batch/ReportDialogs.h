// What the batch subcommands share: a Dialogs that turns every box into a report
// line, and a temporary directory for the work files of one run.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "settings/Dialogs.h"
#include "stream/FileIo.h"
#include "stream/TxStream.h"

// Bytes below 0x20 and above 0x7E as <xx>, so that a report line stays one line.
std::string PrintableBytes(std::string_view text);

// Installed for its lifetime. Questions are answered No (or Cancel) so that
// nothing goes ahead unasked; Halt throws EHalt for the subcommand to turn
// into its exit status.
class TReportDialogs : public Dialogs {
 public:
  explicit TReportDialogs(std::FILE* out = stdout);
  ~TReportDialogs() override;
  TReportDialogs(const TReportDialogs&) = delete;
  TReportDialogs& operator=(const TReportDialogs&) = delete;

  // Where the tool stands ("check 3 page 12"); printed before each box text.
  std::string Context;

  TMsgAnswer Message(const std::string& text, TMsgKind kind, TMsgButtons buttons,
                     int helpContext) override;
  bool InputQuery(const std::string& caption, const std::string& prompt,
                  std::string& value) override;
  bool OpenFileName(TFileDialogRequest& request) override;
  bool SaveFileName(TFileDialogRequest& request) override;
  void Beep() override {}
  void Halt(int exitCode) override { throw EHalt{exitCode}; }

 private:
  std::FILE* out_;
  Dialogs* previous_;
};

// A fresh temporary directory holding the bullet and reorganisation files of
// this run (their names are set here), removed with them at destruction. A run
// that is killed cannot remove its directory; the next run removes every such
// directory whose lock file ("<directory>.lock") no running program holds.
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

// True for a buffer size the window accepts (a multiple of 10000 from 10000 to
// 900000); otherwise a line on stderr says so.
bool CheckBatchBufferSize(int32_t size);

// Converts fileName into the work file of dir, as Open does, and maps it. Null,
// after a line on stderr naming the command, when that fails.
std::unique_ptr<TFStreamTxStr> ConvertForBatch(const char* command, const TBatchWorkDir& dir,
                                               const std::string& fileName, int32_t bufferSize,
                                               TReportDialogs& report);
