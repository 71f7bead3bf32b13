// The statement texts of the staged download, byte for byte. Each builder
// takes the texts its statement embeds: n is the branch number text of this
// branch, site the site id, staging the four-part name through which the
// branch reads the head office's staging table (linked server + "." +
// database + ".Dbo.CentralizedData" + site id), built afresh by the caller
// for every statement.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "staged_download/download_members.h"
#include "transfer/compared_columns.h"

namespace velmora {

// The match clause that follows the staging table's flag condition in the
// mark statement, and the one in the branch stamp (they differ for the
// outstanding bills only). Empty for the subquery form.
std::string_view markClause(DownloadMatch match);
std::string_view stampClause(DownloadMatch match);

// Central: the first query, looking for one row to deliver.
std::string probeStatement(const DownloadMember& member, std::string_view n);

// Central: numbers the rows without TmpRno; nullopt when the member has none.
std::optional<std::string> numberingStatement(const DownloadMember& member);

// Central: the member's numbering applied to the staging table; nullopt when
// the member has none.
std::optional<std::string> stagedNumberingStatement(const DownloadMember& member,
                                                    std::string_view site);

// What follows the table name in the staging build: the alias, lock hint and
// condition that select the head-office rows to deliver to this branch (for
// the members with a filter column, only those addressed to it).
std::string stagingSelection(const DownloadMember& member, std::string_view n);

// Central: copies the rows to deliver into the staging table.
std::string stagingBuildStatement(const DownloadMember& member, std::string_view n,
                                  std::string_view site);

// Central: the number of rows in the staging table (progress only).
std::string stagedCountStatement(std::string_view site);

// Branch: marks the branch rows that match a staged row (de='X').
std::string markStatement(const DownloadMember& member, std::string_view n,
                          std::string_view staging);

// Branch: inserts the staged rows; columnList names the columns on both sides.
std::string insertStatement(const DownloadMember& member, std::string_view n,
                            std::string_view columnList, std::string_view staging);

// Branch: removes the marked rows.
std::string deleteStatement(const DownloadMember& member);

// Branch: stamps the rows just inserted Transfered='Y'.
std::string branchStampStatement(const DownloadMember& member, std::string_view n,
                                 std::string_view staging);

// Central: flags the delivered rows BR<n>='Y' with the transfer stamp. The
// members with a filter column flag the rows their staging build takes (F=n,
// BR<n> not 'Y'), the others the rows whose BR<n> is not 'Y'; of those, only
// rows present in the staging table (same Rno) that still hold their staged
// values in every column of `compared` (each converted as it says). Empty
// `compared`: every staged row.
std::string flagStatement(const DownloadMember& member, std::string_view n,
                          std::string_view site, std::string_view date, std::string_view time,
                          const std::vector<ComparedColumn>& compared);

}  // namespace velmora
