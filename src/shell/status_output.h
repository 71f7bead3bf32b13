// The status report as an operator reads it (one aligned table) and as a
// monitoring script reads it (one JSON document).
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "shell/status_report.h"

namespace velmora::shell {

// The table: one row per table (upload and download spellings of the same
// table share a row), a "pending up" column and one "to deliver" column per
// head office; zeros shown as ".", "-" where the table does not move in that
// direction, "?" where a head office was not counted; totals last. Under it
// the head offices not reached or not counted, with their failure, and
// today's error rows.
void writeStatusTable(std::ostream& out, const StatusReport& report);

// The JSON document: branch, pending_upload, head_offices, error_rows_today,
// and the extra keys gated_uploads, newest_error_rows and, per head office,
// totals (the undelivered rows of each download family).
void writeStatusJson(std::ostream& out, const StatusReport& report);

// `text` as a JSON string literal, quotes included. Bytes that are not
// valid UTF-8 become U+FFFD, so that the document always parses.
std::string jsonString(std::string_view text);

}  // namespace velmora::shell
