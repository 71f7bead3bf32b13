// String-level checks of the T-SQL dialect layer's rewrites.
#include "backends/embedded/tsql_dialect.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "backends/embedded/tsql_functions.h"
#include "backends/embedded/tsql_tokens.h"
#include "transfer/failure.h"

namespace velmora {
namespace {

// Resolves every linked database to "lnk_<server>_<database>" and records
// the calls.
struct RecordingResolver {
  std::vector<std::pair<std::string, std::string>> calls;
  LinkedSchemaResolver resolver() {
    return [this](const std::string& server, const std::string& database) {
      calls.emplace_back(server, database);
      return "lnk";
    };
  }
};

std::string translated(const std::string& tsql) {
  RecordingResolver r;
  return translateTsql(tsql, r.resolver()).sql;
}

struct RewriteCase {
  const char* name;
  const char* tsql;
  const char* sqlite;
};

class RewriteTest : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(RewriteTest, GivesTheExpectedText) {
  EXPECT_EQ(translated(GetParam().tsql), GetParam().sqlite);
}

constexpr RewriteCase kRewrites[] = {
    {"ProbeFormB", "Select Top 1 Rno From INDENT  with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Select Rno From main.INDENT   Where (ifnull(Transfered,'') COLLATE NOCASE)<>'Y' LIMIT 1 "},
    {"ProbeFormA", "Select Top 1 Rno From CUSTOMER with (nolock)  Where isnull(Transfered,'')<>'Y' ",
     "Select Rno From main.CUSTOMER   Where (ifnull(Transfered,'') COLLATE NOCASE)<>'Y' LIMIT 1 "},
    {"TopInParentheses", "select top (5) * from T", "select * from main.T LIMIT 5"},
    {"TopBeforeSemicolon", "select top 5 a from T;", "select a from main.T LIMIT 5;"},
    {"NoLockAnyCaseAndBlanks", "Select a From T WITH ( NoLock ) Where b=1", "Select a From main.T  Where b=1"},
    {"LockingHints", "Select count(*) From BANKMASTER with (TABLOCK, HOLDLOCK) Where a=1 ",
     "Select count(*) From main.BANKMASTER  Where a=1 "},
    {"CommonTableExpressionIsNoHint", "with (x) as (select 1) select * from x",
     "with (x) as (select 1) select * from main.x"},
    {"NestedIsnull", "select isnull(isnull(a,b),'x') from T",
     "select (ifnull((ifnull(a,b) COLLATE NOCASE),'x') COLLATE NOCASE) from main.T"},
    {"IsnullWithCallsInside", "select ISNULL(lower(trim(a)),'') from T",
     "select (ifnull(lower(trim(a)),'') COLLATE NOCASE) from main.T"},
    {"LiteralsUntouched",
     "INSERT INTO ERRTABLE (Module,MESSAGE,UPDATED,UPTIME) VALUES('M','3-isnull(a,b) with (nolock) "
     "[HO1].D.Dbo.T select top 5 from x Right(y,1)','05/Mar/2020','1:07:00 PM')",
     "INSERT INTO main.ERRTABLE (Module,MESSAGE,UPDATED,UPTIME) VALUES('M','3-isnull(a,b) with (nolock) "
     "[HO1].D.Dbo.T select top 5 from x Right(y,1)','05/Mar/2020','1:07:00 PM')"},
    {"QuotesInsideLiteral", "INSERT INTO E (M) VALUES('it''s isnull(a,b)')",
     "INSERT INTO main.E (M) VALUES('it''s isnull(a,b)')"},
    {"FourPartName",
     "Insert into BANKMASTER (code,Name) Select code,Name From [HO1].HOAMAIN.Dbo.BANKMASTER Where "
     "isnull(BR7,'')<>'Y' ",
     "Insert into main.BANKMASTER (code,Name) Select code,Name From lnk.BANKMASTER Where "
     "(ifnull(BR7,'') COLLATE NOCASE)<>'Y' "},
    {"SubqueryMark",
     "Update CUSTOMER set de='X' where cuscode in(Select cuscode From [HO1].HOAMAIN.Dbo.CUSTOMER Where "
     "isnull(BR7,'')<>'Y')",
     "Update main.CUSTOMER set de='X' where cuscode in(Select cuscode From lnk.CUSTOMER Where "
     "(ifnull(BR7,'') COLLATE NOCASE)<>'Y')"},
    {"UpdateFromJoin",
     "Update INDENT set de='X' from INDENT A,CentralizedData0012 B Where isnull(B.Transfered,'')<>'Y' and "
     "isnull(a.refno,0)=isnull(b.refno,0) ",
     "UPDATE main.INDENT AS A set de='X' FROM main.CentralizedData0012 B Where "
     "(ifnull(B.Transfered,'') COLLATE NOCASE)<>'Y' and (ifnull(a.refno,0) COLLATE NOCASE)=(ifnull(b.refno,0) "
     "COLLATE NOCASE) "},
    {"UpdateFromWithHint",
     "Update INDENT set BR7='Y' from INDENT A,CentralizedData0012 B  with (NoLock) Where a.x=b.x",
     "UPDATE main.INDENT AS A set BR7='Y' FROM main.CentralizedData0012 B Where a.x=b.x"},
    {"UpdateFromLinkedSameName",
     "Update SECURITYMAST Set de='X' from SECURITYMAST A,[HO1].HOAMAIN.Dbo.SECURITYMAST B Where "
     "a.oper_code=b.oper_code ",
     "UPDATE main.SECURITYMAST AS A Set de='X' FROM lnk.SECURITYMAST B Where a.oper_code=b.oper_code "},
    {"UpdateFromTargetIsAlias", "Update A set x=1 from T A, U B where A.k=B.k",
     "UPDATE main.T AS A set x=1 FROM main.U B where A.k=B.k"},
    {"FromInsideSubqueryIsNotTheUpdatesFrom",
     "Update CASHCOUNTER set ACTIVE='X' where CashCountercode in(Select CashCountercode From "
     "CentralizedData0012)",
     "Update main.CASHCOUNTER set ACTIVE='X' where CashCountercode in(Select CashCountercode From "
     "main.CentralizedData0012)"},
    {"RightAndLeftCalls", "select Right(a,7), LEFT(b,2) from T a right join U b on 1=1",
     "select vel_right(a,7), vel_left(b,2) from main.T a right join main.U b on 1=1"},
    {"DisplayQuery",
     "Select LTrim(Right(CONVERT(VARCHAR(20), UpTime, 100),7)) UpTime,Module,Message,Updated,Rno from ErrTable "
     "with (nolock) where Updated='07/Nov/2019' order by Rno desc",
     "Select LTrim(vel_right(vel_convert( UpTime, 100,20),7)) UpTime,Module,Message,Updated,Rno from "
     "main.ErrTable  where Updated='07/Nov/2019' order by Rno desc"},
    {"CommaListAfterFrom", "select * from A x, B y where x.k=y.k", "select * from main.A x, main.B y where x.k=y.k"},
    {"DeleteFrom", "Delete from INDENT where de='X' ", "Delete from main.INDENT where de='X' "},
    {"LockStatement", "Update Code set ParamCode=ParamCode ", "Update main.Code set ParamCode=ParamCode "},
    {"AlreadyQualified", "select * from main.T", "select * from main.T"},
    {"RowChecksum", "UPDATE T SET [a]=? WHERE [Rno]=? AND BINARY_CHECKSUM([Rno],[a])=?",
     "UPDATE main.T SET [a]=? WHERE [Rno]=? AND (quote([Rno])||char(31)||quote([a]))=?"},
    {"StartUpBranchQuery",
     "select 0 Sno1,* from Branch where isnull(active,'')<>'N' and isnull(CompCode,'')<>'' and isnull(Flag,'')='H' "
     "order by Sno1,BranchOrder",
     "select 0 Sno1,* from main.Branch where (ifnull(active,'') COLLATE NOCASE)<>'N' and (ifnull(CompCode,'') "
     "COLLATE NOCASE)<>'' and (ifnull(Flag,'') COLLATE NOCASE)='H' order by Sno1,BranchOrder"},
};

INSTANTIATE_TEST_SUITE_P(Dialect, RewriteTest, ::testing::ValuesIn(kRewrites),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TsqlDialectTest, LinkedServerNamesAreUnescapedAndResolved) {
  RecordingResolver r;
  const Translation t =
      translateTsql("select * from [HO]]1].HOA1920.dbo.T1 a, [ho2].[Hoa 1920].DBO.[T2] b", r.resolver());
  ASSERT_EQ(r.calls.size(), 2u);
  EXPECT_EQ(r.calls[0], std::make_pair(std::string("HO]1"), std::string("HOA1920")));
  EXPECT_EQ(r.calls[1], std::make_pair(std::string("ho2"), std::string("Hoa 1920")));
  EXPECT_TRUE(t.usesLinkedServer);
  EXPECT_EQ(t.sql, "select * from lnk.T1 a, lnk.[T2] b");
}

TEST(TsqlDialectTest, ResolverFailureEscapes) {
  const LinkedSchemaResolver failing = [](const std::string& server, const std::string&) -> std::string {
    throw Failure(failure_number::kStatementFailed, "Could not find server '" + server + "'");
  };
  try {
    translateTsql("select a from [NOPE].D.Dbo.T", failing);
    FAIL() << "no failure";
  } catch (const Failure& f) {
    EXPECT_EQ(f.description(), "Could not find server 'NOPE'");
  }
}

TEST(TsqlDialectTest, SelectIntoBecomesAnActionWithItsSource) {
  RecordingResolver r;
  const Translation local = translateTsql(
      "Select * into CentralizedData0012 from INDENT with (nolock) Where isnull(Transfered,'')<>'Y' ", r.resolver());
  EXPECT_EQ(local.kind, Translation::Kind::kSelectInto);
  EXPECT_EQ(local.objectName, "CentralizedData0012");
  EXPECT_EQ(local.sourceSchema, "main");
  EXPECT_EQ(local.sourceTable, "INDENT");
  EXPECT_EQ(local.sql,
            "INSERT INTO main.CentralizedData0012 SELECT * FROM main.INDENT  Where (ifnull(Transfered,'') COLLATE "
            "NOCASE)<>'Y' ");

  const Translation aliased = translateTsql(
      "Select * into CentralizedData0012 from ACHEADMASTER B with (NoLock) Where isnull(B.BR7,'')<>'Y'  ",
      r.resolver());
  EXPECT_EQ(aliased.sourceTable, "ACHEADMASTER");
  EXPECT_EQ(aliased.sql,
            "INSERT INTO main.CentralizedData0012 SELECT * FROM main.ACHEADMASTER B  Where (ifnull(B.BR7,'') "
            "COLLATE NOCASE)<>'Y'  ");

  const Translation linked = translateTsql("select * into X from [HO1].HOAMAIN.Dbo.T where 1=2", r.resolver());
  EXPECT_EQ(linked.sourceSchema, "lnk");
  EXPECT_EQ(linked.sourceTable, "T");
}

TEST(TsqlDialectTest, StagingDropIsRecognised) {
  RecordingResolver r;
  const Translation t = translateTsql(
      "if exists (select * from sysobjects where type='v' and name='CentralizedData0012') drop view "
      "CentralizedData0012 else if exists (select * from sysobjects where type='u' and name='CentralizedData0012') "
      "drop table CentralizedData0012",
      r.resolver());
  EXPECT_EQ(t.kind, Translation::Kind::kDropIfExists);
  EXPECT_EQ(t.objectName, "CentralizedData0012");

  // A different name in one branch is not the staging drop.
  const Translation other = translateTsql(
      "if exists (select * from sysobjects where type='v' and name='A') drop view A else if exists (select * from "
      "sysobjects where type='u' and name='B') drop table B",
      r.resolver());
  EXPECT_EQ(other.kind, Translation::Kind::kStatement);
}

TEST(TsqlDialectTest, ColumnQueryReadsTableInfoOfMain) {
  RecordingResolver r;
  const Translation t = translateTsql(
      "select COLUMN_NAME, TABLE_NAME from INFORMATION_SCHEMA.COLUMNS where TABLE_SCHEMA = 'dbo' and "
      "table_name='Pit''s' and COLUMNPROPERTY(object_id(TABLE_NAME), COLUMN_NAME, 'IsIdentity') <> 1 ",
      r.resolver());
  EXPECT_EQ(t.kind, Translation::Kind::kStatement);
  EXPECT_NE(t.sql.find("pragma_table_info('Pit''s','main')"), std::string::npos) << t.sql;
  EXPECT_EQ(t.sql.find("INFORMATION_SCHEMA"), std::string::npos);
}

TEST(TsqlDialectTest, SingleTableSelectsNameTheirTableAndRowids) {
  RecordingResolver r;
  const Translation top =
      translateTsql("Select top 1000 * From INVENTORYTRANS Where isnull(Transfered,'')<>'Y' ", r.resolver());
  EXPECT_EQ(top.baseSchema, "main");
  EXPECT_EQ(top.baseTable, "INVENTORYTRANS");
  EXPECT_EQ(top.rowidSql,
            "Select rowid From main.INVENTORYTRANS Where (ifnull(Transfered,'') COLLATE NOCASE)<>'Y' LIMIT 1000 ");

  const Translation staging = translateTsql("Select * from CentralizedData0012 ", r.resolver());
  EXPECT_EQ(staging.baseTable, "CentralizedData0012");
  EXPECT_EQ(staging.rowidSql, "Select rowid from main.CentralizedData0012 ");

  EXPECT_TRUE(translateTsql("select * from A, B", r.resolver()).baseTable.empty());
  EXPECT_TRUE(translateTsql("select a from T", r.resolver()).baseTable.empty());
  EXPECT_TRUE(translateTsql("select * from T group by a", r.resolver()).baseTable.empty());
}

TEST(TsqlTokensTest, JoiningGivesBackTheText) {
  const std::string text =
      "Select [a]]b], \"q\"\"x\", 'it''s' -- note\n/* block */ 1.5 from T where x<>'y' and @p=#t";
  EXPECT_EQ(joinTokens(tokenize(text)), text);
  const Tokens tokens = tokenize("[a]]b] 'it''s'");
  EXPECT_EQ(nameOf(tokens[0]), "a]b");
  EXPECT_EQ(literalValue(tokens[2]), "it's");
  EXPECT_EQ(quoteLiteral("it's"), "'it''s'");
  EXPECT_EQ(quoteName("a\"b"), "\"a\"\"b\"");
}

TEST(TsqlFunctionsTest, Style100OfTimesAndDates) {
  struct Case {
    const char* text;
    const char* style100;
  };
  constexpr Case kCases[] = {
      {"1:07:00 PM", "Jan  1 1900  1:07PM"},
      {"13:07:00", "Jan  1 1900  1:07PM"},
      {"00:05:09", "Jan  1 1900 12:05AM"},
      {"12:30 pm", "Jan  1 1900 12:30PM"},
      {"11:59:59 AM", "Jan  1 1900 11:59AM"},
      {"2019-11-07 09:41:00", "Nov  7 2019  9:41AM"},
      {"07/Nov/2019", "Nov  7 2019 12:00AM"},
  };
  for (const Case& c : kCases) {
    const auto value = readDateTimeOrTime(c.text);
    ASSERT_TRUE(value.has_value()) << c.text;
    EXPECT_EQ(formatStyle100(*value), c.style100) << c.text;
  }
  EXPECT_FALSE(readDateTimeOrTime("13:07 PM").has_value());
  EXPECT_FALSE(readDateTimeOrTime("hello").has_value());
}

TEST(TsqlFunctionsTest, RightAndLeftCountCharacters) {
  EXPECT_EQ(rightCharacters("Jan  1 1900  1:07PM", 7), " 1:07PM");
  EXPECT_EQ(rightCharacters("abc", 7), "abc");
  EXPECT_EQ(rightCharacters("abc", 0), "");
  EXPECT_EQ(rightCharacters("x\xc3\xa9\xc3\xa9", 2), "\xc3\xa9\xc3\xa9");
  EXPECT_EQ(leftCharacters("\xc3\xa9xyz", 2), "\xc3\xa9x");
  EXPECT_EQ(leftCharacters("abc", -1), "");
}

}  // namespace
}  // namespace velmora
