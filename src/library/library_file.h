#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "library/library.h"

namespace sonvaro {

class Messages;
class StatusLog;

// Entries of a MediaLibary.dat text sorted by path (byte-wise); nullopt when
// the identifier line is wrong. No entry is dropped.
std::optional<std::vector<LibraryEntry>> ParseLibraryFile(std::string_view text);

// The bytes of MediaLibary.dat, every entry in list order but those whose
// path the file cannot hold (listed in `unstorable` when given).
std::string LibraryFileText(const std::vector<LibraryEntry>& entries,
                            std::vector<std::string>* unstorable = nullptr);

// Replaces the library with the file's entries; a missing or foreign file
// leaves it as it is (a foreign one is kept as "<file>.bad").
void LoadLibraryFile(Library& library, const std::string& filePath, StatusLog* log = nullptr);

// Writes the library through "<file>.tmp"; an empty library writes the header alone.
// A failure leaves the old file intact and shows the error box when
// reportErrors is set. True when written.
// `failure` (when given) receives why a save failed. A file the user made
// read-only is left as it is without the error box.
bool SaveLibraryFile(Library& library, const std::string& filePath, bool reportErrors, Messages& messages,
                     StatusLog& log, std::string* failure = nullptr);

}  // namespace sonvaro
