// The repair conversion: a copy of a PGN file that keeps every game's tag lines
// and its movetext up to the line ending in the result, and drops the rest.
#pragma once

#include <string>

// Writes the repaired copy of source into target (created or emptied), every
// line squeezed and ended by CR LF. Lines of any length are kept whole. False
// when the source cannot be read, the target cannot be created or a write
// fails, or when both names are the same file (the copy would erase its source).
bool RepairConversion(const std::string& sourceName, const std::string& targetName);

// Drops CRs and the leading and trailing spaces and TABs, turns TABs into
// spaces and every run of spaces into one.
void SqueezeLine(std::string& line);
