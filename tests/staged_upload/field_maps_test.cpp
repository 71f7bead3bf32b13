#include "staged_upload/field_maps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {
namespace {

std::string upper(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return result;
}

// The assignments of `map` in the order they are applied.
std::vector<Assignment> appliedOrder(const FieldMap& map) {
  std::vector<Assignment> all(map.own.begin(), map.own.end());
  all.insert(all.end(), map.trail.begin(), map.trail.end());
  return all;
}

const FieldMap& mapOf(std::string_view table) {
  const FieldMap* map = findFieldMap(table);
  if (map == nullptr) throw std::invalid_argument(std::string(table));
  return *map;
}

// The conversions that `map` applies to `column`, in order.
std::vector<Conversion> conversionsOf(const FieldMap& map, std::string_view column) {
  std::vector<Conversion> found;
  for (const Assignment& a : appliedOrder(map)) {
    if (upper(a.target) == upper(column)) found.push_back(a.conversion);
  }
  return found;
}

// Position of the first assignment to `column` in the applied order, or -1.
int positionOf(const FieldMap& map, std::string_view column) {
  const std::vector<Assignment> all = appliedOrder(map);
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (upper(all[i].target) == upper(column)) return static_cast<int>(i);
  }
  return -1;
}

constexpr std::array kConversions = {
    Conversion::kText,           Conversion::kTrimmedText,    Conversion::kNumber,
    Conversion::kNumberNullFails, Conversion::kAsIs,          Conversion::kDate,
    Conversion::kDateIfPresent,  Conversion::kTextIfPresent,  Conversion::kValueIfPresent,
    Conversion::kBlank,
};

struct KindCounts {
  int text = 0, trimmed = 0, number = 0, numberNullFails = 0, asIs = 0;
  int date = 0, dateIfPresent = 0, textIfPresent = 0, valueIfPresent = 0, blank = 0;

  int of(Conversion c) const {
    switch (c) {
      case Conversion::kText: return text;
      case Conversion::kTrimmedText: return trimmed;
      case Conversion::kNumber: return number;
      case Conversion::kNumberNullFails: return numberNullFails;
      case Conversion::kAsIs: return asIs;
      case Conversion::kDate: return date;
      case Conversion::kDateIfPresent: return dateIfPresent;
      case Conversion::kTextIfPresent: return textIfPresent;
      case Conversion::kValueIfPresent: return valueIfPresent;
      case Conversion::kBlank: return blank;
    }
    return -1;
  }
};

int countOf(std::span<const Assignment> assignments, Conversion c) {
  return static_cast<int>(std::ranges::count(assignments, c, &Assignment::conversion));
}

struct MapCase {
  std::string_view table;
  bool hasTrail;
  std::size_t total;
  KindCounts own;  // counts per conversion of the table's own assignments
};

// text, trimmed, number, number-null-fails, as-is, date, date-if-present,
// text-if-present, value-if-present, blank
const MapCase kMapCases[] = {
    {"CASHCOUNTER",     false, 35, {6, 0, 20, 0, 0, 0, 2, 2, 0, 5}},
    {"CUSTOMER",        false, 66, {44, 0, 5, 0, 4, 0, 4, 4, 0, 5}},
    {"ACHEADMASTER",    false, 67, {36, 0, 6, 0, 12, 0, 4, 4, 0, 5}},
    {"STAFFATTND",      false, 36, {9, 0, 10, 0, 0, 0, 7, 5, 0, 5}},
    {"Operator",        false, 84, {6, 42, 10, 0, 0, 0, 13, 8, 0, 5}},
    {"METERIAL",        false, 32, {8, 8, 3, 0, 0, 0, 4, 4, 0, 5}},
    {"OPERATORLog",     false, 14, {1, 6, 2, 0, 0, 0, 3, 2, 0, 0}},
    {"INDENT",          true,  47, {11, 0, 8, 1, 0, 1, 2, 0, 1, 0}},
    {"BRANCHINDENT",    true,  48, {11, 0, 8, 1, 0, 1, 3, 0, 1, 0}},
    {"INVENTORYTRANS",  true,  56, {17, 1, 12, 0, 0, 1, 2, 0, 0, 0}},
    {"DPURCHASE",       true,  96, {0, 24, 43, 0, 0, 1, 4, 0, 1, 0}},
    {"OUTSTANDING",     true,  47, {13, 2, 4, 0, 0, 1, 4, 0, 0, 0}},
    {"PRODUCTION",      true,  66, {16, 0, 19, 0, 0, 1, 6, 0, 1, 0}},
    {"PRODUCTIONTRAN",  true,  70, {15, 0, 26, 0, 0, 1, 4, 0, 1, 0}},
    {"TYRETRANS",       true,  63, {18, 1, 16, 0, 0, 1, 3, 0, 1, 0}},
    {"VEHICLEEXPENSES", true,  79, {10, 14, 24, 0, 0, 1, 6, 0, 1, 0}},
    {"JOBWORK",         true,  55, {16, 0, 10, 1, 0, 1, 3, 0, 1, 0}},
    {"JOBWORKDETAILS",  true,  57, {17, 0, 11, 1, 0, 1, 3, 0, 1, 0}},
};

TEST(FieldMapsTest, EighteenMapsInUploadStepOrder) {
  constexpr std::array<std::string_view, 18> kOrder = {
      "CASHCOUNTER",    "CUSTOMER",       "Operator",     "INDENT",
      "METERIAL",       "OPERATORLog",    "JOBWORK",      "JOBWORKDETAILS",
      "BRANCHINDENT",   "INVENTORYTRANS", "OUTSTANDING",  "ACHEADMASTER",
      "PRODUCTION",     "PRODUCTIONTRAN", "TYRETRANS",    "STAFFATTND",
      "DPURCHASE",      "VEHICLEEXPENSES",
  };
  const std::span<const FieldMap> maps = allFieldMaps();
  ASSERT_EQ(maps.size(), kOrder.size());
  std::size_t total = 0;
  for (std::size_t i = 0; i < maps.size(); ++i) {
    EXPECT_EQ(maps[i].table, kOrder[i]) << "position " << i;
    total += maps[i].size();
  }
  EXPECT_EQ(total, 1018u);
}

TEST(FieldMapsTest, TrailHasTwentyThreeSharedColumns) {
  const KindCounts trail{6, 0, 4, 0, 0, 0, 4, 4, 0, 5};
  ASSERT_EQ(std::size(kTrailAssignments), 23u);
  for (Conversion c : kConversions) {
    EXPECT_EQ(countOf(kTrailAssignments, c), trail.of(c)) << static_cast<int>(c);
  }
  std::vector<std::string_view> blanks;
  for (const Assignment& a : kTrailAssignments) {
    if (a.conversion == Conversion::kBlank) blanks.push_back(a.target);
  }
  EXPECT_EQ(blanks, (std::vector<std::string_view>{"BR1", "BR2", "BR3", "BR4", "BR12"}));
}

TEST(FieldMapsTest, CountsPerConversionMatchEachTable) {
  for (const MapCase& c : kMapCases) {
    SCOPED_TRACE(c.table);
    const FieldMap* map = findFieldMap(c.table);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->table, c.table);
    EXPECT_EQ(map->size(), c.total);
    if (c.hasTrail) {
      EXPECT_EQ(map->trail.data(), std::data(kTrailAssignments));
      EXPECT_EQ(map->trail.size(), std::size(kTrailAssignments));
    } else {
      EXPECT_TRUE(map->trail.empty());
    }
    int ownTotal = 0;
    for (Conversion conversion : kConversions) {
      EXPECT_EQ(countOf(map->own, conversion), c.own.of(conversion))
          << "conversion " << static_cast<int>(conversion);
      ownTotal += c.own.of(conversion);
    }
    EXPECT_EQ(static_cast<std::size_t>(ownTotal) + map->trail.size(), c.total);
  }
}

TEST(FieldMapsTest, EveryColumnIsAssignedOnceExceptOperatorLogUpdated) {
  for (const FieldMap& map : allFieldMaps()) {
    SCOPED_TRACE(map.table);
    std::map<std::string, int> times;
    for (const Assignment& a : appliedOrder(map)) ++times[upper(a.target)];
    for (const auto& [column, count] : times) {
      const bool twice = map.table == "OPERATORLog" && column == "UPDATED";
      EXPECT_EQ(count, twice ? 2 : 1) << column;
    }
  }
}

TEST(FieldMapsTest, EveryAssignmentReadsItsOwnColumnExceptTwoOperatorLogOnes) {
  std::vector<std::pair<std::string_view, std::string_view>> renamed;
  for (const FieldMap& map : allFieldMaps()) {
    for (const Assignment& a : appliedOrder(map)) {
      if (a.source == a.target) continue;
      renamed.emplace_back(a.target, a.source);
      EXPECT_EQ(map.table, "OPERATORLog") << a.target;
    }
  }
  EXPECT_EQ(renamed, (std::vector<std::pair<std::string_view, std::string_view>>{
                         {"Updated", "SERVERDATE"}, {"TmpRno", "RNO"}}));
}

TEST(FieldMapsTest, OperatorLogAppliesItsFourteenAssignmentsInOrder) {
  struct Row {
    std::string_view target, source;
    Conversion conversion;
  };
  const Row expected[] = {
      {"Oper_Code",        "Oper_Code",        Conversion::kNumber},
      {"OperName",         "OperName",         Conversion::kTrimmedText},
      {"Updated",          "SERVERDATE",       Conversion::kDateIfPresent},
      {"Updated",          "Updated",          Conversion::kDateIfPresent},
      {"UpTime",           "UpTime",           Conversion::kTextIfPresent},
      {"InOut",            "InOut",            Conversion::kTrimmedText},
      {"Remarks",          "Remarks",          Conversion::kTrimmedText},
      {"ReleaseOper_Code", "ReleaseOper_Code", Conversion::kNumber},
      {"Node_ID",          "Node_ID",          Conversion::kTrimmedText},
      {"Transfered",       "Transfered",       Conversion::kText},
      {"TransferedDate",   "TransferedDate",   Conversion::kDateIfPresent},
      {"TransferedTime",   "TransferedTime",   Conversion::kTextIfPresent},
      {"TimeSettings",     "TimeSettings",     Conversion::kTrimmedText},
      {"TmpRno",           "RNO",              Conversion::kTrimmedText},
  };
  const std::vector<Assignment> actual = appliedOrder(mapOf("OPERATORLog"));
  ASSERT_EQ(actual.size(), std::size(expected));
  for (std::size_t i = 0; i < actual.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(actual[i].target, expected[i].target);
    EXPECT_EQ(actual[i].source, expected[i].source);
    EXPECT_EQ(actual[i].conversion, expected[i].conversion);
  }
}

TEST(FieldMapsTest, FindFieldMapIgnoresLetterCase) {
  struct Case {
    std::string_view asked, found;
  };
  const Case cases[] = {
      {"OPERATORLog",    "OPERATORLog"},
      {"operatorlog",    "OPERATORLog"},
      {"OPERATORLOG",    "OPERATORLog"},
      {"Operator",       "Operator"},
      {"OPERATOR",       "Operator"},
      {"operator",       "Operator"},
      {"cashcounter",    "CASHCOUNTER"},
      {"JobWorkDetails", "JOBWORKDETAILS"},
      {"Meterial",       "METERIAL"},
  };
  for (const Case& c : cases) {
    const FieldMap* map = findFieldMap(c.asked);
    ASSERT_NE(map, nullptr) << c.asked;
    EXPECT_EQ(map->table, c.found) << c.asked;
  }
  for (std::string_view unknown : {"", "OPERATORLo", "OPERATORLogs", "MATERIAL", "CUSTOMER "}) {
    EXPECT_EQ(findFieldMap(unknown), nullptr) << "'" << unknown << "'";
  }
  for (const FieldMap& map : allFieldMaps()) EXPECT_EQ(findFieldMap(map.table), &map);
}

TEST(FieldMapsTest, ColumnsConvertedDifferentlyFromTableToTable) {
  struct Case {
    std::string_view table, column;
    Conversion conversion;
  };
  const Case cases[] = {
      {"DPURCHASE",       "AuditStaff",      Conversion::kNumber},
      {"INDENT",          "AuditStaff",      Conversion::kText},
      {"BRANCHINDENT",    "AuditStaff",      Conversion::kText},
      {"INDENT",          "IndentBranch",    Conversion::kNumberNullFails},
      {"BRANCHINDENT",    "IndentBranch",    Conversion::kNumberNullFails},
      {"DPURCHASE",       "IndentBranch",    Conversion::kNumber},
      {"JOBWORK",         "JobCardBranch",   Conversion::kNumberNullFails},
      {"JOBWORKDETAILS",  "JobCardBranch",   Conversion::kNumberNullFails},
      {"PRODUCTIONTRAN",  "IntLineSet",      Conversion::kText},
      {"INDENT",          "IntLineSet",      Conversion::kNumber},
      {"JOBWORK",         "IntLineSet",      Conversion::kNumber},
      {"DPURCHASE",       "BILLNo",          Conversion::kTrimmedText},
      {"INVENTORYTRANS",  "BILLNo",          Conversion::kText},
      {"OUTSTANDING",     "CUSTOMERID",      Conversion::kTrimmedText},
      {"OUTSTANDING",     "Remarks",         Conversion::kText},
      {"VEHICLEEXPENSES", "Flag",            Conversion::kTrimmedText},
      {"JOBWORK",         "Flag",            Conversion::kText},
      {"VEHICLEEXPENSES", "ADJTTime",        Conversion::kValueIfPresent},
      {"TYRETRANS",       "RDate",           Conversion::kDate},
      {"TYRETRANS",       "TranDate",        Conversion::kDateIfPresent},
      {"INVENTORYTRANS",  "TranDate",        Conversion::kDate},
      {"CUSTOMER",        "CusCode",         Conversion::kNumber},
      {"CUSTOMER",        "ContactPerson",   Conversion::kAsIs},
      {"ACHEADMASTER",    "TmpRno",          Conversion::kAsIs},
      {"STAFFATTND",      "TmpRno",          Conversion::kNumber},
      {"INDENT",          "TmpRno",          Conversion::kNumber},
      {"STAFFATTND",      "ADate",           Conversion::kDateIfPresent},
      {"CASHCOUNTER",     "CashCountercode", Conversion::kText},
      {"CASHCOUNTER",     "CASHCOUNTER",     Conversion::kText},
      {"Operator",        "OperName",        Conversion::kTrimmedText},
      {"Operator",        "upStaff",         Conversion::kText},
      {"Operator",        "Lok",             Conversion::kTrimmedText},
      {"METERIAL",        "MetePictPath",    Conversion::kText},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(conversionsOf(mapOf(c.table), c.column), std::vector<Conversion>{c.conversion})
        << c.table << "." << c.column;
  }
  const std::string_view untrimmed[] = {"Edi", "De", "upStaff", "ediStaff", "deStaff", "Transfered"};
  for (const Assignment& a : mapOf("Operator").own) {
    const bool isUntrimmed = std::ranges::find(untrimmed, a.target) != std::end(untrimmed);
    EXPECT_EQ(a.conversion == Conversion::kText, isUntrimmed) << a.target;
  }
  for (const Assignment& a : mapOf("DPURCHASE").own) EXPECT_NE(a.conversion, Conversion::kText) << a.target;
}

TEST(FieldMapsTest, ColumnsPlacedOutsideTheirGroupKeepTheirPlace) {
  const FieldMap& customer = mapOf("CUSTOMER");
  const int customerTime = positionOf(customer, "TransferedTime");
  for (std::string_view column : {"ContactPerson", "ContactPersonCell", "Branch", "AreaCode"}) {
    EXPECT_GT(positionOf(customer, column), customerTime) << column;
    EXPECT_LT(positionOf(customer, column), positionOf(customer, "BR1")) << column;
  }
  const FieldMap& acHead = mapOf("ACHEADMASTER");
  EXPECT_EQ(positionOf(acHead, "TmpRno"), positionOf(acHead, "TransferedTime") + 1);
  EXPECT_EQ(positionOf(acHead, "AcSubLedgroup") + 1, positionOf(acHead, "BR1"));

  const FieldMap& meterial = mapOf("METERIAL");
  EXPECT_EQ(appliedOrder(meterial).back().target, "MetePictPath");

  const std::string_view operatorTail[] = {
      "OperOrder", "Lok",      "State",    "CommPer",  "Oper_ShName", "Gender",   "AttnCode",
      "DesignationCode",       "FInTime",  "FOutTime", "SInTime",     "SOutTime", "LunchHrs",
      "WeekOff",
  };
  const std::vector<Assignment> operatorAll = appliedOrder(mapOf("Operator"));
  ASSERT_GE(operatorAll.size(), std::size(operatorTail) + 1);
  const std::size_t tailStart = operatorAll.size() - std::size(operatorTail);
  EXPECT_EQ(operatorAll[tailStart - 1].target, "BR12");
  for (std::size_t i = 0; i < std::size(operatorTail); ++i) {
    EXPECT_EQ(operatorAll[tailStart + i].target, operatorTail[i]);
  }
}

TEST(FieldMapsTest, DeliveryFlagsAndRowNumbersFollowTheRules) {
  for (const FieldMap& map : allFieldMaps()) {
    SCOPED_TRACE(map.table);
    std::vector<std::string> blanks;
    for (const Assignment& a : appliedOrder(map)) {
      const std::string column = upper(a.target);
      const bool deliveryFlag = column.size() > 2 && column.starts_with("BR") &&
                                std::isdigit(static_cast<unsigned char>(column[2]));
      EXPECT_EQ(deliveryFlag, a.conversion == Conversion::kBlank) << a.target;
      if (deliveryFlag) blanks.push_back(column);
      EXPECT_NE(column, "RNO") << "Rno is never a staging target";
    }
    if (map.table == "OPERATORLog") {
      EXPECT_TRUE(blanks.empty());
    } else {
      EXPECT_EQ(blanks, (std::vector<std::string>{"BR1", "BR2", "BR3", "BR4", "BR12"}));
    }
  }
}

}  // namespace
}  // namespace velmora
