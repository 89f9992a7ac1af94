// Recovery of a work file after the program ended without a clean shutdown.
//
// Every committed page already lies in the bullet file; what a crash would lose
// is the page map, which lives in memory. So the map of the open bullet file is
// also kept on disk in a map file beside it ("~korvane.bullet.file.N.map" for
// "~korvane.bullet.file.N.tmp"). It is rewritten whole after every change of
// the map (a commit, Add Page, a fresh map after Open, New or reorganisation):
// written to "<map>.new", flushed, then renamed over the map file, so the map
// file on disk is always one complete map. The bullet file's new bytes are
// flushed before the map that points at them is renamed into place, and a
// commit never writes over bytes that the map on disk still points at (see
// WritePage), so at every moment the map file describes intact pages.
//
// The map file names the bullet file's inode. Reorganisation replaces the
// bullet file by renaming a new, compact file over it; until the new map is
// written the inode differs, and recovery then rebuilds the map by reading the
// compact file page by page, which is exact for a file without gaps.
//
// Whether the run that owned a work file is still going is told by the shared
// lock every running instance holds on its bullet file; files of a running
// instance are never touched. A bullet file without a map file holds nothing
// committed (the conversion of Open had not finished), so it is deleted as a
// stale file; one with a map file is offered for recovery.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "stream/TxStream.h"

struct TRecoveryMap {
  std::string Origin;  // the user's file the work file came from; empty for New
  int32_t BufferSize = kDefaultBufferSize;
  uint64_t Inode = 0;
  int32_t Current = 1;
  std::vector<TBufMapEntry> Entries;
};

// The map file of a bullet file name: its ".tmp" ending becomes ".map".
std::string MapFileNameOf(const std::string& bulletName);
// The text of a map file, and its reader; false for any text that is not a
// whole, well-formed map.
std::string RecoveryMapText(const TRecoveryMap& map);
bool ParseRecoveryMap(const std::string& text, TRecoveryMap& map);
// Writes the map file (through "<name>.new" and a rename); false on any failure.
bool WriteRecoveryMapFile(const std::string& name, const TRecoveryMap& map);
bool ReadRecoveryMapFile(const std::string& name, TRecoveryMap& map);

// A work file left by an earlier run whose process is gone.
struct TStaleWorkFile {
  std::string Bullet;
  std::string MapFile;
  std::string Reorg;  // the reorganisation file of the same run (may be missing)
  TRecoveryMap Map;
  int64_t ModifiedAt = 0;  // seconds since 1970 (Unix time), for the order and the question
};

// The recoverable work files of dir (ending in '/' or not), newest first.
std::vector<TStaleWorkFile> FindRecoverableWorkFiles(const std::string& dir);
// Deletes the files of a stale work file (the answer No).
void DeleteWorkFileSet(const TStaleWorkFile& stale);
// Makes the stale work file this run's own: its bullet and map files are renamed
// to the names in force. False when that fails (nothing is lost then).
bool AdoptWorkFile(const TStaleWorkFile& stale);
// Gives the work file adopted from stale its own names back (after a recovery
// that could not open it), so that the next start offers it again. False when
// a rename fails; the files then keep the names in force.
bool RestoreWorkFile(const TStaleWorkFile& stale);
// A test hook: the nth rename of AdoptWorkFile or RestoreWorkFile from now
// fails (1: the next one); 0 means never.
void SetRecoveryRenameFaultAtCall(int n);
// Opens the bullet file in force with the map of its map file (rebuilt from the
// file when the map does not fit it) and reads the remembered page into
// pageText. Nothing, after a message, when that fails.
std::unique_ptr<TFStreamTxStr> OpenRecoveredBulletFile(const TRecoveryMap& map,
                                                       std::string& pageText);
