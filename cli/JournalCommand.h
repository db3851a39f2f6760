#pragma once

#include <string>

#include "cli/Commands.h"

// The forms of ortenctl journal besides JSON: each reads the journal at path
// as a stream (see JournalReading).
namespace orten::cli {

// The table for people, on ctx.out.
Outcome PrintJournalTable(CommandContext& ctx, const std::string& path);
// An Excel workbook (.xlsx) at file, saved as every file is (a temporary
// beside it, renamed into place); says on ctx.out where and how many records.
Outcome WriteJournalExcel(CommandContext& ctx, const std::string& path, const std::string& file);

}  // namespace orten::cli
