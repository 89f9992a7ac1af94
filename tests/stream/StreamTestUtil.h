// Helpers shared by the stream tests: a work-file record, and a fixture whose
// work files live in a fresh directory.
#pragma once

#include <gtest/gtest.h>

#include "stream/TxFlows.h"
#include "stream/TxStream.h"
#include "tests/support/TestSupport.h"

// The work file's record of a game: bullet line, Event line, moves.
std::string Record(const std::string& event, size_t movetext = 20);

// Work files in a fresh directory; every fault and reporter reset afterwards.
class TWorkFilesTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Open as the window does it: the file converted into the work file.
  std::unique_ptr<TFStreamTxStr> Open(const std::string& path, int32_t buffer);
  // The bytes opened and saved as out.pgn; what failed when something did.
  std::string OpenAndSave(const std::string& bytes, int32_t buffer);

  TTempDir dir;
  TScriptDialogs dialogs;
};
