#pragma once

#include <functional>
#include <string>

#include "base/Outcome.h"

namespace orten {

// Replaces the file at path with text as one whole. The text goes to a
// temporary file of its own beside the target, created afresh (nothing
// already there is followed, reused or removed), is flushed to the disk and
// renamed over the target: a failed or interrupted save leaves the old file
// as it was, and two programs saving one file at once each leave one whole
// file. The target keeps its mode; a link is written through to the file it
// names (a link to nothing too); a file the user may not write, and anything
// but a regular file, is refused: a FileError, "Не удается записать файл NAME: why."
Outcome WriteFileAtomically(const std::string& path, const std::string& text);

// The same for content a library writes to a file by its name: fill gets the
// temporary's name, as the C library's fopen takes it (on Windows in the
// ANSI code page, or its short form where that lacks a character of it),
// writes it whole and closes it, or says why not (why: the reason's words).
using FillByName = std::function<bool(const std::string& tempName, std::string& why)>;
Outcome WriteFileAtomicallyBy(const std::string& path, const FillByName& fill);

}  // namespace orten
