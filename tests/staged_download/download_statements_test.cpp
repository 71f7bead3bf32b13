// The statement texts of the eight staged-download members, byte for byte,
// for site 0012, branch 7, linked server [HO1] and head-office year database
// HOA1920.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cycle/step_table.h"
#include "staged_download/download_members.h"
#include "staged_download/download_statements.h"

namespace velmora {
namespace {

constexpr std::string_view kN = "7";
constexpr std::string_view kSite = "0012";
constexpr std::string_view kStaging = "[HO1].HOA1920.Dbo.CentralizedData0012";
constexpr std::string_view kColumns = "IndentNo,Amount,TmpRno";
constexpr std::string_view kDate = "05/Mar/2020";
constexpr std::string_view kTime = "14:07:09";

struct ExpectedStatements {
  const char* table;
  const char* probe;
  const char* numbering;  // empty when the member numbers nothing
  const char* build;
  const char* mark;
  const char* insert;
  const char* remove;
  const char* stamp;
  const char* flag;         // the flag statement's own condition
  const char* restriction;  // appended to it: staged rows that still hold their staged values
};

const ExpectedStatements kExpected[] = {
    {
        "INDENT",
        // probe
        "Select Top 1 Rno From INDENT  with (nolock) "
        "Where isnull(indentbranch,0)=7 and isnull(BR7,'')<>'Y' ",
        // numbering
        "Update INDENT set TmpRno=Rno Where isnull(Transfered,'')<>'Y' "
        "and isnull(TmpRno,0)=0 ",
        // build
        "Select * into CentralizedData0012 from INDENT "
        "with (NoLock) Where isnull(indentbranch,0)=7 "
        "and isnull(BR7,'')<>'Y' ",
        // mark
        "Update INDENT set de='X' from INDENT A,[HO1].HOA1920.Dbo.CentralizedData0012 "
        "B  with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        "and isnull(a.recissno,0)=isnull(b.recissno,0) "
        "and isnull(a.branch,0)=isnull(b.branch,0) "
        "and isnull(a.indentbranch,0)=isnull(b.indentbranch,0) "
        "and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') "
        "and isnull(a.indentno,'')=isnull(b.indentno,'') "
        "and isnull(a.refno,0)=isnull(b.refno,0) "
        "and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ",
        // insert
        "Insert into INDENT (IndentNo,Amount,TmpRno) "
        "Select IndentNo,Amount,TmpRno From [HO1].HOA1920.Dbo.CentralizedData0012 "
        "B with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        "and isnull(indentbranch,0)=7 ",
        // delete
        "Delete from INDENT where de='X' ",
        // stamp
        "Update INDENT set Transfered='Y'  from INDENT "
        "A,[HO1].HOA1920.Dbo.CentralizedData0012 "
        "B  with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        "and isnull(a.recissno,0)=isnull(b.recissno,0) "
        "and isnull(a.branch,0)=isnull(b.branch,0) "
        "and isnull(a.indentbranch,0)=isnull(b.indentbranch,0) "
        "and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') "
        "and isnull(a.indentno,'')=isnull(b.indentno,'') "
        "and isnull(a.refno,0)=isnull(b.refno,0) "
        "and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ",
        // flag: the condition of the staging build, then the restriction to
        // staged rows that still hold their staged values
        "Update INDENT set BR7='Y',Transfered='Y',TransferedDate='05/Mar/2020',TransferedTime='14:07:09' "
        "Where isnull(indentbranch,0)=7 and isnull(BR7,'')<>'Y' ",
        "and exists (Select INDENT.IndentNo,INDENT.Amount,INDENT.TmpRno intersect "
        "Select S.IndentNo,S.Amount,S.TmpRno From CentralizedData0012 S Where S.Rno=INDENT.Rno)",
    },
    {
        "JOBWORK",
        // probe
        "Select Top 1 Rno From JOBWORK  with (nolock) "
        "Where isnull(JobCardBranch,0)=7 and isnull(BR7,'')<>'Y' ",
        // numbering
        "Update JOBWORK set TmpRno=Rno Where isnull(Transfered,'')<>'Y' "
        "and isnull(TmpRno,0)=0 ",
        // build
        "Select * into CentralizedData0012 from JOBWORK "
        "with (NoLock) Where isnull(JobCardBranch,0)=7 "
        "and isnull(BR7,'')<>'Y' ",
        // mark
        "Update JOBWORK set de='X' from JOBWORK A,[HO1].HOA1920.Dbo.CentralizedData0012 "
        "B  with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        "and isnull(a.recissno,0)=isnull(b.recissno,0) "
        "and isnull(a.branch,0)=isnull(b.branch,0) "
        "and isnull(a.JobCardBranch,0)=isnull(b.JobCardBranch,0) "
        "and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') "
        "and isnull(a.JobCardNo,'')=isnull(b.JobCardNo,'') "
        "and isnull(a.refno,0)=isnull(b.refno,0) "
        "and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ",
        // insert
        "Insert into JOBWORK (IndentNo,Amount,TmpRno) "
        "Select IndentNo,Amount,TmpRno From [HO1].HOA1920.Dbo.CentralizedData0012 "
        "B with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        "and isnull(JobCardBranch,0)=7 ",
        // delete
        "Delete from JOBWORK where de='X' ",
        // stamp
        "Update JOBWORK set Transfered='Y'  from "
        "JOBWORK A,[HO1].HOA1920.Dbo.CentralizedData0012 "
        "B  with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        "and isnull(a.recissno,0)=isnull(b.recissno,0) "
        "and isnull(a.branch,0)=isnull(b.branch,0) "
        "and isnull(a.JobCardBranch,0)=isnull(b.JobCardBranch,0) "
        "and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') "
        "and isnull(a.JobCardNo,'')=isnull(b.JobCardNo,'') "
        "and isnull(a.refno,0)=isnull(b.refno,0) "
        "and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ",
        // flag: the condition of the staging build, then the restriction to
        // staged rows that still hold their staged values
        "Update JOBWORK set BR7='Y',Transfered='Y',TransferedDate='05/Mar/2020',TransferedTime='14:07:09' "
        "Where isnull(JobCardBranch,0)=7 and isnull(BR7,'')<>'Y' ",
        "and exists (Select JOBWORK.IndentNo,JOBWORK.Amount,JOBWORK.TmpRno intersect "
        "Select S.IndentNo,S.Amount,S.TmpRno From CentralizedData0012 S Where S.Rno=JOBWORK.Rno)",
    },
    {
        "JOBWORKDETAILS",
        // probe
        "Select Top 1 Rno From JOBWORKDETAILS  with "
        "(nolock) Where isnull(JobCardBranch,0)=7 "
        "and isnull(BR7,'')<>'Y' ",
        // numbering
        "Update JOBWORKDETAILS set TmpRno=Rno Where "
        "isnull(Transfered,'')<>'Y' and isnull(TmpRno,0)=0 ",
        // build
        "Select * into CentralizedData0012 from JOBWORKDETAILS "
        "with (NoLock) Where isnull(JobCardBranch,0)=7 "
        "and isnull(BR7,'')<>'Y' ",
        // mark
        "Update JOBWORKDETAILS set de='X' from JOBWORKDETAILS "
        "A,[HO1].HOA1920.Dbo.CentralizedData0012 "
        "B  with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        "and isnull(a.recissno,0)=isnull(b.recissno,0) "
        "and isnull(a.branch,0)=isnull(b.branch,0) "
        "and isnull(a.JobCardBranch,0)=isnull(b.JobCardBranch,0) "
        "and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') "
        "and isnull(a.JobCardNo,'')=isnull(b.JobCardNo,'') "
        "and isnull(a.refno,0)=isnull(b.refno,0) "
        "and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ",
        // insert
        "Insert into JOBWORKDETAILS (IndentNo,Amount,TmpRno) "
        "Select IndentNo,Amount,TmpRno From [HO1].HOA1920.Dbo.CentralizedData0012 "
        "B with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        "and isnull(JobCardBranch,0)=7 ",
        // delete
        "Delete from JOBWORKDETAILS where de='X' ",
        // stamp
        "Update JOBWORKDETAILS set Transfered='Y' "
        " from JOBWORKDETAILS A,[HO1].HOA1920.Dbo.CentralizedData0012 "
        "B  with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        "and isnull(a.recissno,0)=isnull(b.recissno,0) "
        "and isnull(a.branch,0)=isnull(b.branch,0) "
        "and isnull(a.JobCardBranch,0)=isnull(b.JobCardBranch,0) "
        "and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') "
        "and isnull(a.JobCardNo,'')=isnull(b.JobCardNo,'') "
        "and isnull(a.refno,0)=isnull(b.refno,0) "
        "and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ",
        // flag: the condition of the staging build, then the restriction to
        // staged rows that still hold their staged values
        "Update JOBWORKDETAILS set BR7='Y',Transfered='Y',TransferedDate='05/Mar/2020',TransferedTime='14:07:09' "
        "Where isnull(JobCardBranch,0)=7 and isnull(BR7,'')<>'Y' ",
        "and exists (Select JOBWORKDETAILS.IndentNo,JOBWORKDETAILS.Amount,JOBWORKDETAILS.TmpRno intersect "
        "Select S.IndentNo,S.Amount,S.TmpRno From CentralizedData0012 S Where S.Rno=JOBWORKDETAILS.Rno)",
    },
    {
        "BRANCHINDENT",
        // probe
        "Select Top 1 Rno From BRANCHINDENT  with "
        "(nolock) Where isnull(indentbranch,0)=7 "
        "and isnull(BR7,'')<>'Y' ",
        // numbering
        "",
        // build
        "Select * into CentralizedData0012 from BRANCHINDENT "
        "with (NoLock) Where isnull(indentbranch,0)=7 "
        "and isnull(BR7,'')<>'Y' ",
        // mark
        "Update BRANCHINDENT set de='X' from BRANCHINDENT "
        "A,[HO1].HOA1920.Dbo.CentralizedData0012 "
        "B  with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        "and isnull(a.recissno,0)=isnull(b.recissno,0) "
        "and isnull(a.branch,0)=isnull(b.branch,0) "
        "and isnull(a.indentbranch,0)=isnull(b.indentbranch,0) "
        "and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') "
        "and isnull(a.indentno,'')=isnull(b.indentno,'') "
        "and isnull(a.refno,0)=isnull(b.refno,0) "
        "and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ",
        // insert
        "Insert into BRANCHINDENT (IndentNo,Amount,TmpRno) "
        "Select IndentNo,Amount,TmpRno From [HO1].HOA1920.Dbo.CentralizedData0012 "
        "b with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        "and isnull(indentbranch,0)=7 ",
        // delete
        "Delete from BRANCHINDENT where de='X' ",
        // stamp
        "Update BRANCHINDENT set Transfered='Y'  "
        "from BRANCHINDENT A,[HO1].HOA1920.Dbo.CentralizedData0012 "
        "B  with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        "and isnull(a.recissno,0)=isnull(b.recissno,0) "
        "and isnull(a.branch,0)=isnull(b.branch,0) "
        "and isnull(a.indentbranch,0)=isnull(b.indentbranch,0) "
        "and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') "
        "and isnull(a.indentno,'')=isnull(b.indentno,'') "
        "and isnull(a.refno,0)=isnull(b.refno,0) "
        "and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ",
        // flag: the condition of the staging build, then the restriction to
        // staged rows that still hold their staged values
        "Update BRANCHINDENT set BR7='Y',Transfered='Y',TransferedDate='05/Mar/2020',TransferedTime='14:07:09' "
        "Where isnull(indentbranch,0)=7 and isnull(BR7,'')<>'Y' ",
        "and exists (Select BRANCHINDENT.IndentNo,BRANCHINDENT.Amount,BRANCHINDENT.TmpRno intersect "
        "Select S.IndentNo,S.Amount,S.TmpRno From CentralizedData0012 S Where S.Rno=BRANCHINDENT.Rno)",
    },
    {
        "INVENTORYTRANS",
        // probe
        "Select Top 1 Rno From INVENTORYTRANS  with "
        "(nolock) Where isnull(branch,0)=7 and isnull(BR7,'')<>'Y' ",
        // numbering
        "",
        // build
        "Select * into CentralizedData0012 from INVENTORYTRANS "
        "with (NoLock) Where isnull(branch,0)=7 and "
        "isnull(BR7,'')<>'Y' ",
        // mark
        "Update INVENTORYTRANS set de='X' from INVENTORYTRANS "
        "A,[HO1].HOA1920.Dbo.CentralizedData0012 "
        "B  with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        "and isnull(a.recissno,0)=isnull(b.recissno,0) "
        "and isnull(a.branch,0)=isnull(b.branch,0) "
        "and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') "
        "and isnull(a.indentno,'')=isnull(b.indentno,'') "
        "and isnull(a.refno,0)=isnull(b.refno,0) "
        "and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ",
        // insert
        "Insert into INVENTORYTRANS (IndentNo,Amount,TmpRno) "
        "Select IndentNo,Amount,TmpRno From [HO1].HOA1920.Dbo.CentralizedData0012 "
        "b with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        "and isnull(branch,0)=7 ",
        // delete
        "Delete from INVENTORYTRANS where de='X' ",
        // stamp
        "Update INVENTORYTRANS set Transfered='Y' "
        " from INVENTORYTRANS A,[HO1].HOA1920.Dbo.CentralizedData0012 "
        "B  with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        "and isnull(a.recissno,0)=isnull(b.recissno,0) "
        "and isnull(a.branch,0)=isnull(b.branch,0) "
        "and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') "
        "and isnull(a.indentno,'')=isnull(b.indentno,'') "
        "and isnull(a.refno,0)=isnull(b.refno,0) "
        "and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ",
        // flag: the condition of the staging build, then the restriction to
        // staged rows that still hold their staged values
        "Update INVENTORYTRANS set BR7='Y',Transfered='Y',TransferedDate='05/Mar/2020',TransferedTime='14:07:09' "
        "Where isnull(branch,0)=7 and isnull(BR7,'')<>'Y' ",
        "and exists (Select INVENTORYTRANS.IndentNo,INVENTORYTRANS.Amount,INVENTORYTRANS.TmpRno intersect "
        "Select S.IndentNo,S.Amount,S.TmpRno From CentralizedData0012 S Where S.Rno=INVENTORYTRANS.Rno)",
    },
    {
        "OUTSTANDING",
        // probe
        "Select Top 1 Rno From OUTSTANDING  with "
        "(nolock) Where isnull(BR7,'')<>'Y' ",
        // numbering
        "Update OUTSTANDING set TmpRno=Rno Where "
        "isnull(TmpRno,0)=0 ",
        // build
        "Select * into CentralizedData0012 from OUTSTANDING "
        "with (NoLock) Where isnull(BR7,'')<>'Y' ",
        // mark
        "Update OUTSTANDING set de='X' from OUTSTANDING "
        "A,[HO1].HOA1920.Dbo.CentralizedData0012 "
        "B  with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        "and isnull(a.recissno,0)=isnull(b.recissno,0) "
        "and isnull(a.branch,0)=isnull(b.branch,0) "
        "and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') "
        "and isnull(a.BillNo,'')=isnull(b.Billno,'') "
        "and isnull(a.refno,0)=isnull(b.refno,0) "
        "and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ",
        // insert
        "Insert into OUTSTANDING (IndentNo,Amount,TmpRno) "
        "Select IndentNo,Amount,TmpRno From [HO1].HOA1920.Dbo.CentralizedData0012 "
        "b with (NoLock) Where isnull(B.BR7,'')<>'Y' ",
        // delete
        "Delete from OUTSTANDING where de='X' ",
        // stamp
        "Update OUTSTANDING set Transfered='Y'  from "
        "OUTSTANDING A,[HO1].HOA1920.Dbo.CentralizedData0012 "
        "B  with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        "and isnull(a.recissno,0)=isnull(b.recissno,0) "
        "and isnull(a.branch,0)=isnull(b.branch,0) "
        "and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') "
        "and isnull(a.billno,'')=isnull(b.billno,'') "
        "and isnull(a.refno,0)=isnull(b.refno,0) "
        "and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ",
        // flag: the condition of the staging build, then the restriction to
        // staged rows that still hold their staged values
        "Update OUTSTANDING set BR7='Y',Transfered='Y',TransferedDate='05/Mar/2020',TransferedTime='14:07:09' "
        "Where isnull(BR7,'')<>'Y' ",
        "and exists (Select OUTSTANDING.IndentNo,OUTSTANDING.Amount,OUTSTANDING.TmpRno intersect "
        "Select S.IndentNo,S.Amount,S.TmpRno From CentralizedData0012 S Where S.Rno=OUTSTANDING.Rno)",
    },
    {
        "ACHEADMASTER",
        // probe
        "Select Top 1 Rno From ACHEADMASTER  with "
        "(nolock) Where isnull(BR7,'')<>'Y' ",
        // numbering
        "",
        // build
        "Select * into CentralizedData0012 from ACHEADMASTER "
        "B with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        " ",
        // mark
        "Update ACHEADMASTER set de='X' where cuscode "
        "in(Select cuscode From [HO1].HOA1920.Dbo.CentralizedData0012 "
        "Where isnull(BR7,'')<>'Y')",
        // insert
        "Insert into ACHEADMASTER (IndentNo,Amount,TmpRno) "
        "Select IndentNo,Amount,TmpRno From [HO1].HOA1920.Dbo.CentralizedData0012 "
        "Where isnull(BR7,'')<>'Y' ",
        // delete
        "Delete from ACHEADMASTER where de='X' ",
        // stamp
        "Update ACHEADMASTER set Transfered='Y' where "
        "cuscode in(Select cuscode From [HO1].HOA1920.Dbo.CentralizedData0012 "
        "Where isnull(BR7,'')<>'Y')",
        // flag: the condition of the staging build, then the restriction to
        // staged rows that still hold their staged values
        "Update ACHEADMASTER set BR7='Y',Transfered='Y',TransferedDate='05/Mar/2020',TransferedTime='14:07:09' "
        "Where isnull(BR7,'')<>'Y'  ",
        "and exists (Select ACHEADMASTER.IndentNo,ACHEADMASTER.Amount,ACHEADMASTER.TmpRno intersect "
        "Select S.IndentNo,S.Amount,S.TmpRno From CentralizedData0012 S Where S.Rno=ACHEADMASTER.Rno)",
    },
    {
        "VEHICLEEXPENSES",
        // probe
        "Select Top 1 Rno From VEHICLEEXPENSES  with "
        "(nolock) Where isnull(BR7,'')<>'Y' ",
        // numbering
        "Update VEHICLEEXPENSES set TmpRno=Rno where "
        "isnull(TmpRno,0)=0 ",
        // build
        "Select * into CentralizedData0012 from VEHICLEEXPENSES "
        "with (NoLock) Where isnull(BR7,'')<>'Y' ",
        // mark
        "Update VEHICLEEXPENSES set de='X' from VEHICLEEXPENSES "
        "A,[HO1].HOA1920.Dbo.CentralizedData0012 "
        "B  with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        "and isnull(a.recissno,0)=isnull(b.recissno,0) "
        "and isnull(a.branch,0)=isnull(b.branch,0) "
        "and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') "
        " and isnull(a.billno,'')=isnull(b.billno,'') "
        "and isnull(a.refno,0)=isnull(b.refno,0) "
        "and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ",
        // insert
        "Insert into VEHICLEEXPENSES (IndentNo,Amount,TmpRno) "
        "Select IndentNo,Amount,TmpRno From [HO1].HOA1920.Dbo.CentralizedData0012 "
        "B with (NoLock) Where isnull(B.BR7,'')<>'Y' ",
        // delete
        "Delete from VEHICLEEXPENSES where de='X' ",
        // stamp
        "Update VEHICLEEXPENSES set Transfered='Y' "
        " from VEHICLEEXPENSES A,[HO1].HOA1920.Dbo.CentralizedData0012 "
        "B  with (NoLock) Where isnull(B.BR7,'')<>'Y' "
        "and isnull(a.recissno,0)=isnull(b.recissno,0) "
        "and isnull(a.branch,0)=isnull(b.branch,0) "
        "and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') "
        " and isnull(a.billno,'')=isnull(b.billno,'') "
        "and isnull(a.refno,0)=isnull(b.refno,0) "
        "and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ",
        // flag: the condition of the staging build, then the restriction to
        // staged rows that still hold their staged values
        "Update VEHICLEEXPENSES set BR7='Y',Transfered='Y',TransferedDate='05/Mar/2020',TransferedTime='14:07:09' "
        "Where ISNULL(BR7,'')<>'Y' ",
        "and exists (Select VEHICLEEXPENSES.IndentNo,VEHICLEEXPENSES.Amount,VEHICLEEXPENSES.TmpRno intersect "
        "Select S.IndentNo,S.Amount,S.TmpRno From CentralizedData0012 S Where S.Rno=VEHICLEEXPENSES.Rno)",
    },
};

class MemberStatementsTest : public ::testing::TestWithParam<ExpectedStatements> {
 protected:
  const DownloadMember& member() const {
    const DownloadMember* found = findDownloadMember(GetParam().table);
    EXPECT_NE(found, nullptr) << GetParam().table;
    return found != nullptr ? *found : kDownloadMembers[0];
  }
};

TEST_P(MemberStatementsTest, ProbeIsByteForByte) {
  EXPECT_EQ(probeStatement(member(), kN), GetParam().probe);
}

TEST_P(MemberStatementsTest, NumberingIsByteForByte) {
  const auto numbering = numberingStatement(member());
  EXPECT_EQ(numbering.value_or(""), GetParam().numbering);
  EXPECT_EQ(numbering.has_value(), std::string(GetParam().numbering).size() > 0);
}

// The staged copy is numbered under the same condition as the table itself.
TEST_P(MemberStatementsTest, StagedNumberingAppliesTheNumberingToTheStagingTable) {
  const std::string numbering = GetParam().numbering;
  const auto staged = stagedNumberingStatement(member(), kSite);
  if (numbering.empty()) {
    EXPECT_FALSE(staged.has_value());
    return;
  }
  const std::string table = "Update " + std::string(GetParam().table) + " ";
  ASSERT_TRUE(numbering.starts_with(table));
  EXPECT_EQ(staged.value_or(""), "Update CentralizedData0012 " + numbering.substr(table.size()));
}

TEST_P(MemberStatementsTest, StagingBuildIsByteForByte) {
  EXPECT_EQ(stagingBuildStatement(member(), kN, kSite), GetParam().build);
}

TEST_P(MemberStatementsTest, MarkIsByteForByte) {
  EXPECT_EQ(markStatement(member(), kN, kStaging), GetParam().mark);
}

TEST_P(MemberStatementsTest, InsertIsByteForByte) {
  EXPECT_EQ(insertStatement(member(), kN, kColumns, kStaging), GetParam().insert);
}

TEST_P(MemberStatementsTest, DeleteIsByteForByte) {
  EXPECT_EQ(deleteStatement(member()), GetParam().remove);
}

TEST_P(MemberStatementsTest, BranchStampIsByteForByte) {
  EXPECT_EQ(branchStampStatement(member(), kN, kStaging), GetParam().stamp);
}

TEST_P(MemberStatementsTest, FlagTakesOnlyStagedRowsStillHoldingTheirStagedValues) {
  EXPECT_EQ(flagStatement(member(), kN, kSite, kDate, kTime, businessColumns(kColumns, {})),
            std::string(GetParam().flag) + GetParam().restriction);
}

INSTANTIATE_TEST_SUITE_P(AllMembers, MemberStatementsTest, ::testing::ValuesIn(kExpected),
                         [](const ::testing::TestParamInfo<ExpectedStatements>& info) {
                           return std::string(info.param.table);
                         });

TEST(DownloadMembersTest, MembersAreTheStepTableEntriesInCycleOrder) {
  std::vector<std::string_view> fromSteps;
  for (const StepEntry& step : kStepTable) {
    if (step.family == Family::kStagedDownload) {
      fromSteps.push_back(step.table);
      EXPECT_EQ(step.pair, Pair::kYear) << step.table;
    }
  }
  std::vector<std::string_view> members;
  for (const DownloadMember& member : kDownloadMembers) members.push_back(member.table);
  EXPECT_EQ(members, fromSteps);
  EXPECT_EQ(std::size(kExpected), kDownloadMembers.size());
}

struct ExpectedLabel {
  std::string_view table;
  std::string_view label;
  ErrorPrefix prefix;
};

TEST(DownloadMembersTest, LabelsAndPrefixes) {
  const ExpectedLabel expected[] = {
      {"INDENT",          "INDENTUPLOAD",          ErrorPrefix::kBranchNo},
      {"JOBWORK",         "JOBWORKUPLOAD",         ErrorPrefix::kBranchNo},
      {"JOBWORKDETAILS",  "JOBWORKDETAILSUPLOAD",  ErrorPrefix::kBranchNo},
      {"BRANCHINDENT",    "BRANCHINDENTUPLOAD",    ErrorPrefix::kBranchNo},
      {"INVENTORYTRANS",  "INVENTORYTRANSUPLOAD",  ErrorPrefix::kCentralBranchNo},
      {"OUTSTANDING",     "OUTSTANDINGUPLOAD",     ErrorPrefix::kCentralBranchNo},
      {"ACHEADMASTER",    "ACHEADUPLOAD",          ErrorPrefix::kCentralBranchNo},
      {"VEHICLEEXPENSES", "VEHICLEEXPENSESUPLOAD", ErrorPrefix::kBranchNo},
  };
  for (const ExpectedLabel& e : expected) {
    const DownloadMember* member = findDownloadMember(e.table);
    ASSERT_NE(member, nullptr) << e.table;
    EXPECT_EQ(member->label, e.label) << e.table;
    EXPECT_EQ(member->prefix, e.prefix) << e.table;
  }
}

TEST(DownloadMembersTest, UnknownOrMisspelledTableHasNoMember) {
  EXPECT_EQ(findDownloadMember("CUSTOMER"), nullptr);
  EXPECT_EQ(findDownloadMember("indent"), nullptr);
  EXPECT_EQ(findDownloadMember(""), nullptr);
}

TEST(DownloadStatementsTest, NumberingPlacementsOfTheMembers) {
  struct Case {
    std::string_view table;
    DownloadNumbering numbering;
  };
  const Case cases[] = {
      {"INDENT",          DownloadNumbering::kUntransferredBeforeBuild},
      {"JOBWORK",         DownloadNumbering::kUntransferredBeforeBuild},
      {"JOBWORKDETAILS",  DownloadNumbering::kUntransferredBeforeBuild},
      {"BRANCHINDENT",    DownloadNumbering::kNone},
      {"INVENTORYTRANS",  DownloadNumbering::kNone},
      // Numbered before its staging build, so that the delivered copy carries
      // the TmpRno the head office keeps.
      {"OUTSTANDING",     DownloadNumbering::kAllBeforeBuild},
      {"ACHEADMASTER",    DownloadNumbering::kNone},
      {"VEHICLEEXPENSES", DownloadNumbering::kAllFirst},
  };
  for (const Case& c : cases) {
    const DownloadMember* member = findDownloadMember(c.table);
    ASSERT_NE(member, nullptr) << c.table;
    EXPECT_EQ(member->numbering, c.numbering) << c.table;
  }
}

TEST(DownloadStatementsTest, StagedCountReadsTheSiteStagingTable) {
  EXPECT_EQ(stagedCountStatement("0012"), "Select count(*) From CentralizedData0012");
}

TEST(DownloadStatementsTest, BranchTwelveNamesBr12) {
  const DownloadMember& indent = *findDownloadMember("INDENT");
  EXPECT_EQ(probeStatement(indent, "12"),
            "Select Top 1 Rno From INDENT  with (nolock) Where isnull(indentbranch,0)=12 "
            "and isnull(BR12,'')<>'Y' ");
  EXPECT_EQ(flagStatement(indent, "12", "0099", kDate, kTime, {}),
            "Update INDENT set BR12='Y',Transfered='Y',TransferedDate='05/Mar/2020',"
            "TransferedTime='14:07:09' Where isnull(indentbranch,0)=12 and isnull(BR12,'')<>'Y' "
            "and Rno in (Select Rno From CentralizedData0099)");
}

// The flag compares the business columns only: the transfer flags, which
// other branches' agents set on the same rows, are left out; columns SQL
// Server cannot compare go through their lossless comparable type.
TEST(DownloadStatementsTest, FlagComparesBusinessColumnsThroughComparableTypes) {
  const std::vector<ComparedColumn> uncomparable = {
      {"Memo", "varchar(max)"}, {"NOTES", "nvarchar(max)"}, {"Scan", "varbinary(max)"}};
  const std::vector<ComparedColumn> compared = businessColumns(
      "BR1,Remarks,memo,Transfered,TRANSFEREDDATE,TransferedTime,BR12,Notes,Scan,BRANCH,BR,de", uncomparable);
  EXPECT_EQ(flagStatement(*findDownloadMember("OUTSTANDING"), "7", "0012", kDate, kTime, compared),
            "Update OUTSTANDING set BR7='Y',Transfered='Y',TransferedDate='05/Mar/2020',"
            "TransferedTime='14:07:09' Where isnull(BR7,'')<>'Y' and exists (Select OUTSTANDING.Remarks,"
            "convert(varchar(max),OUTSTANDING.memo),convert(nvarchar(max),OUTSTANDING.Notes),"
            "convert(varbinary(max),OUTSTANDING.Scan),OUTSTANDING.BRANCH,OUTSTANDING.BR,OUTSTANDING.de "
            "intersect Select S.Remarks,convert(varchar(max),S.memo),convert(nvarchar(max),S.Notes),"
            "convert(varbinary(max),S.Scan),S.BRANCH,S.BR,S.de From CentralizedData0012 S "
            "Where S.Rno=OUTSTANDING.Rno)");
  const std::pair<const char*, const char*> types[] = {
      {"text", "varchar(max)"}, {"NTEXT", "nvarchar(max)"}, {"image", "varbinary(max)"},
      {"xml", "nvarchar(max)"}, {"varchar", ""},            {"int", ""}};
  for (const auto& [type, comparable] : types) EXPECT_EQ(comparableTypeOf(type), comparable) << type;
  EXPECT_EQ(uncomparableColumnQuery("INDENT"),
            "select COLUMN_NAME, DATA_TYPE from INFORMATION_SCHEMA.COLUMNS where TABLE_SCHEMA = 'dbo' "
            "and table_name='INDENT' and DATA_TYPE in ('text','ntext','image','xml') ");
}

TEST(DownloadStatementsTest, OutstandingStampsWithLowerCaseBillno) {
  EXPECT_NE(markClause(DownloadMatch::kClauseO), stampClause(DownloadMatch::kClauseO));
  EXPECT_NE(markClause(DownloadMatch::kClauseO).find("isnull(a.BillNo,'')=isnull(b.Billno,'')"),
            std::string_view::npos);
  EXPECT_NE(stampClause(DownloadMatch::kClauseO).find("isnull(a.billno,'')=isnull(b.billno,'')"),
            std::string_view::npos);
  for (DownloadMatch match : {DownloadMatch::kClauseI, DownloadMatch::kClauseJ,
                              DownloadMatch::kClauseV, DownloadMatch::kClauseE}) {
    EXPECT_EQ(markClause(match), stampClause(match));
  }
}

}  // namespace
}  // namespace velmora
