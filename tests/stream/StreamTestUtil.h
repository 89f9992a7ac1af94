// Helpers shared by the stream tests.
#pragma once

#include <string>
#include <vector>

#include "stream/TxStream.h"
#include "tests/support/TestSupport.h"

// Every game of a well-formed CR LF collection (games apart by one blank line),
// as the game text stream should hand it out: the first game from the file's
// start, every later one from the blank line before its "[Event " line, each up
// to the end of its last line.
std::vector<std::string> ReferenceGames(const std::string& text);

// All games of the file, read through ReadGame with the buffer size.
std::vector<std::string> ReadAllGames(const std::string& path, int32_t bufferSize);

// The games of a bullet file's pages, read in page order: each game is the text
// after its bullet, with the record's closing CR LF removed.
std::vector<std::string> GamesOfPages(TFStreamTxStr& bullet);
