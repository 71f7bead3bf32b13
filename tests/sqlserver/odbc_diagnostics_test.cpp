#include "backends/sqlserver/odbc_diagnostics.h"

#include <gtest/gtest.h>

#include "transfer/failure.h"

namespace velmora {
namespace {

struct MappingCase {
  const char* name;
  std::vector<DiagnosticRecord> records;
  FailurePhase phase;
  std::int32_t expected;
};

class DiagnosticMappingTest : public ::testing::TestWithParam<MappingCase> {};

TEST_P(DiagnosticMappingTest, MapsRecordsToTheFailureNumber) {
  EXPECT_EQ(failureNumberFor(GetParam().records, GetParam().phase), GetParam().expected);
}

using P = FailurePhase;
constexpr std::int32_t kLink = failure_number::kLinkFailure;
constexpr std::int32_t kLogin = failure_number::kLoginRefused;
constexpr std::int32_t kTimeout = failure_number::kTimeout;
constexpr std::int32_t kOther = failure_number::kStatementFailed;

INSTANTIATE_TEST_SUITE_P(
    Records, DiagnosticMappingTest,
    ::testing::Values(
        //          name                     records                                                   phase          number
        MappingCase{"ClientUnableToConnect", {{"08001", 0, "Unable to connect"}},                      P::kConnect,   kLink},
        MappingCase{"LinkLostMidStatement",  {{"08S01", 20004, "Read from the server failed"}},        P::kStatement, kLink},
        MappingCase{"ConnectionTimeout",     {{"HYT01", 0, "Connection timeout expired"}},             P::kStatement, kLink},
        MappingCase{"LoginFailed",           {{"28000", 18456, "Login failed for user 'sa'."}},        P::kConnect,   kLogin},
        MappingCase{"LoginNativeOnly",       {{"42000", 18456, "Login failed"}},                       P::kConnect,   kLogin},
        MappingCase{"DatabaseMissing",       {{"42000", 4060, "Cannot open database"},
                                              {"28000", 18456, "Login failed for user 'sa'."}},        P::kConnect,   kLink},
        MappingCase{"DatabaseMissingLater",  {{"28000", 18456, "Login failed for user 'sa'."},
                                              {"42000", 4060, "Cannot open database"}},                P::kConnect,   kLink},
        MappingCase{"LoginTimeout",          {{"HYT00", 0, "Timeout expired"}},                        P::kConnect,   kLink},
        MappingCase{"DriverMissing",         {{"01000", 0, "Can't open lib"},
                                              {"IM002", 0, "Data source name not found"}},             P::kConnect,   kLink},
        MappingCase{"NoRecordsOnConnect",    {},                                                       P::kConnect,   kLink},
        MappingCase{"StatementTimeout",      {{"HYT00", 0, "Query timeout expired"}},                  P::kStatement, kTimeout},
        MappingCase{"InfoThenTimeout",       {{"01000", 5701, "Changed database context"},
                                              {"HYT00", 0, "Query timeout expired"}},                  P::kStatement, kTimeout},
        MappingCase{"SyntaxError",           {{"42000", 102, "Incorrect syntax near 'x'."}},           P::kStatement, kOther},
        MappingCase{"MissingObject",         {{"42S02", 208, "Invalid object name 'T'."}},             P::kStatement, kOther},
        MappingCase{"Constraint",            {{"23000", 515, "Cannot insert the value NULL"}},         P::kStatement, kOther},
        MappingCase{"NoRecordsOnStatement",  {},                                                       P::kStatement, kOther}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DiagnosticDescriptionTest, JoinsEveryMessageWithoutDriverPrefixes) {
  std::vector<DiagnosticRecord> records = {
      {"42000", 4060, "[unixODBC][FreeTDS][SQL Server]Cannot open database \"X\" requested by the login."},
      {"28000", 18456, "[FreeTDS][SQL Server]Login failed for user 'sa'."}};
  EXPECT_EQ(describeDiagnostics(records, "fallback"),
            "Cannot open database \"X\" requested by the login.; Login failed for user 'sa'.");
}

TEST(DiagnosticDescriptionTest, DropsRepeatedMessages) {
  std::vector<DiagnosticRecord> records = {{"08001", 0, "[FreeTDS][SQL Server]Unable to connect"},
                                           {"08001", 0, "[unixODBC][FreeTDS][SQL Server]Unable to connect"}};
  EXPECT_EQ(describeDiagnostics(records, "fallback"), "Unable to connect");
}

TEST(DiagnosticDescriptionTest, KeepsAMessageThatIsOnlyAPrefix) {
  std::vector<DiagnosticRecord> records = {{"HY000", 0, "[unixODBC]"}};
  EXPECT_EQ(describeDiagnostics(records, "fallback"), "[unixODBC]");
}

TEST(DiagnosticDescriptionTest, FallsBackWhenNoRecordHasAMessage) {
  EXPECT_EQ(describeDiagnostics({}, "Connecting failed"), "Connecting failed");
  EXPECT_EQ(describeDiagnostics({{"HY000", 0, ""}}, "Connecting failed"), "Connecting failed");
}

}  // namespace
}  // namespace velmora
