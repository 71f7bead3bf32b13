// The statements of the eighteen staged upload members, byte for byte, for
// site id "0012" and branch number text "7", against literal texts.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "staged_upload/field_maps.h"
#include "staged_upload/upload_members.h"
#include "transfer/transfer_conventions.h"

namespace velmora {
namespace {

struct ExpectedMember {
  std::string_view table;
  std::string_view probe;
  std::string_view tmpRno;  // empty: no TmpRno preparation
  std::string_view branchSnapshot;
  std::string_view headOfficeStaging;
  std::string_view source;
  std::string_view stagingRows;
  std::string_view branchLock;
  std::string_view headOfficeLock;
  std::string_view mark;    // empty: none
  std::string_view insert;  // with the column list "Code,Name"
  std::string_view remove;  // empty: none
  std::string_view br;      // with n = 7; empty: none
  Pair pair;
  bool siteGate;
  std::string_view errorLabel;
  BranchNumber brNumber;
  BranchNumber messagePrefix;
};

constexpr ExpectedMember kExpected[] = {
    {"CASHCOUNTER",
     "Select Top 1 Rno From CASHCOUNTER with (nolock)  Where isnull(Transfered,'')<>'Y' ",
     "",
     "Select * into CentralizedData0012 from CASHCOUNTER with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Select * into CentralizedData0012 from CASHCOUNTER with (nolock) Where 1=2 ",
     "Select * From CASHCOUNTER Where isnull(Transfered,'')<>'Y' ",
     "Select * from CentralizedData0012 ",
     "Update Code set ParamCode=ParamCode ",
     "Update Code set ParamCode=ParamCode ",
     "Update CASHCOUNTER set ACTIVE='X' where CashCountercode in(Select CashCountercode From CentralizedData0012)",
     "Insert into CASHCOUNTER (Code,Name) Select Code,Name From CentralizedData0012 ",
     "Delete from CASHCOUNTER where ACTIVE='X' ",
     "Update CASHCOUNTER set BR7='Y' where CashCountercode in(Select CashCountercode From CentralizedData0012)",
     Pair::kMain, false, "CASHCOUNTERMASTERDOWNLOAD", BranchNumber::kCentralBranchNo, BranchNumber::kCentralBranchNo},
    {"CUSTOMER",
     "Select Top 1 Rno From CUSTOMER with (nolock)  Where isnull(Transfered,'')<>'Y' ",
     "",
     "Select * into CentralizedData0012 from CUSTOMER with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Select * into CentralizedData0012 from CUSTOMER with (nolock) Where 1=2 ",
     "Select * From CUSTOMER Where isnull(Transfered,'')<>'Y' ",
     "Select * from CentralizedData0012 ",
     "Update Code set ParamCode=ParamCode ",
     "Update Code set ParamCode=ParamCode ",
     "Update CUSTOMER set de='X' where cuscode in(Select cuscode From CentralizedData0012)",
     "Insert into CUSTOMER (Code,Name) Select Code,Name From CentralizedData0012 ",
     "Delete from CUSTOMER where de='X' ",
     "Update CUSTOMER set BR7='Y' where cuscode in(Select cuscode From CentralizedData0012)",
     Pair::kMain, false, "CUSTOMERMASTERDOWNLOAD", BranchNumber::kBranchNo, BranchNumber::kCentralBranchNo},
    {"INDENT",
     "Select Top 1 Rno From INDENT  with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Update INDENT set TmpRno=Rno Where isnull(Transfered,'')<>'Y' and isnull(TmpRno,0)=0 ",
     "Select * into CentralizedData0012 from INDENT with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Select * into CentralizedData0012 from INDENT with (nolock) Where 1=2 ",
     "Select * From INDENT Where isnull(Transfered,'')<>'Y' ",
     "Select * from CentralizedData0012 ",
     "Update BControl set Lok=Lok",
     "Update BControl set Lok=Lok",
     "Update INDENT set de='X' from INDENT A,CentralizedData0012 B Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.indentno,'')=isnull(b.indentno,'') and isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ",
     "Insert into INDENT (Code,Name) Select Code,Name From CentralizedData0012 with (NoLock) Where isnull(Transfered,'')<>'Y' ",
     "Delete from INDENT where de='X' ",
     "Update INDENT set BR7='Y' from INDENT A,CentralizedData0012 B  with (NoLock) Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.indentno,'')=isnull(b.indentno,'') and isnull(a.refno,0)=isnull(b.refno,0) and  isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  ",
     Pair::kYear, false, "INDENTDOWNLOAD", BranchNumber::kBranchNo, BranchNumber::kCentralBranchNo},
    {"BRANCHINDENT",
     "Select Top 1 Rno From BRANCHINDENT  with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Update BRANCHINDENT set TmpRno=Rno Where isnull(Transfered,'')<>'Y' and isnull(TmpRno,0)=0 ",
     "Select * into CentralizedData0012 from BRANCHINDENT with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Select * into CentralizedData0012 from BRANCHINDENT with (nolock) Where 1=2 ",
     "Select * From BRANCHINDENT Where isnull(Transfered,'')<>'Y' ",
     "Select * from CentralizedData0012 ",
     "Update BControl set Lok=Lok",
     "Update BControl set Lok=Lok",
     "Update BRANCHINDENT set de='X' from BRANCHINDENT A,CentralizedData0012 B Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.indentno,'')=isnull(b.indentno,'') and isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ",
     "Insert into BRANCHINDENT (Code,Name) Select Code,Name From CentralizedData0012 with (NoLock) Where isnull(Transfered,'')<>'Y' ",
     "Delete from BRANCHINDENT where de='X' ",
     "Update BRANCHINDENT set BR7='Y' from BRANCHINDENT A,CentralizedData0012 B  with (NoLock) Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.indentno,'')=isnull(b.indentno,'') and isnull(a.refno,0)=isnull(b.refno,0) and  isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  ",
     Pair::kYear, false, "BRANCHINDENTDOWNLOAD", BranchNumber::kBranchNo, BranchNumber::kBranchNo},
    {"INVENTORYTRANS",
     "Select Top 1 Rno From INVENTORYTRANS  with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Update INVENTORYTRANS set TmpRno=Rno Where isnull(Transfered,'')<>'Y' and isnull(TmpRno,0)=0 ",
     "Select * into CentralizedData0012 from INVENTORYTRANS with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Select * into CentralizedData0012 from INVENTORYTRANS with (nolock) Where 1=2 ",
     "Select top 1000 * From INVENTORYTRANS Where isnull(Transfered,'')<>'Y' ",
     "Select * from CentralizedData0012 ",
     "Update BControl set Lok=Lok",
     "Update BControl set Lok=Lok",
     "Update INVENTORYTRANS set de='X' from INVENTORYTRANS A,CentralizedData0012 B Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.indentno,'')=isnull(b.indentno,'') and isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ",
     "Insert into INVENTORYTRANS (Code,Name) Select Code,Name From CentralizedData0012 with (NoLock) Where isnull(Transfered,'')<>'Y' ",
     "Delete from INVENTORYTRANS where de='X' ",
     "Update INVENTORYTRANS set BR7='Y' from INVENTORYTRANS A,CentralizedData0012 B  with (NoLock) Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.indentno,'')=isnull(b.indentno,'') and isnull(a.refno,0)=isnull(b.refno,0) and  isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  ",
     Pair::kYear, false, "INVENTORYTRANSDOWNLOAD", BranchNumber::kBranchNo, BranchNumber::kCentralBranchNo},
    {"ACHEADMASTER",
     "Select Top 1 Rno From ACHEADMASTER with (nolock)  Where isnull(Transfered,'')<>'Y' ",
     "",
     "Select * into CentralizedData0012 from ACHEADMASTER with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Select * into CentralizedData0012 from ACHEADMASTER with (nolock) Where 1=2 ",
     "Select * From ACHEADMASTER Where isnull(Transfered,'')<>'Y' ",
     "Select * from CentralizedData0012 ",
     "Update Bcontrol set Lok=Lok ",
     "Update BControl set Lok=Lok ",
     "Update ACHEADMASTER set de='X' where cuscode in(Select cuscode From CentralizedData0012 Where isnull(Transfered,'')<>'Y')",
     "Insert into ACHEADMASTER (Code,Name) Select Code,Name From CentralizedData0012 Where isnull(Transfered,'')<>'Y' ",
     "Delete from ACHEADMASTER where de='X' ",
     "Update ACHEADMASTER set BR7='Y' where cuscode in(Select cuscode From CentralizedData0012 Where isnull(Transfered,'')<>'Y')",
     Pair::kYear, false, "ACHEADDOWNLOAD", BranchNumber::kBranchNo, BranchNumber::kCentralBranchNo},
    {"PRODUCTION",
     "Select Top 1 Rno From PRODUCTION  with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Update PRODUCTION set TmpRno=Rno Where isnull(Transfered,'')<>'Y' and isnull(TmpRno,0)=0 ",
     "Select * into CentralizedData0012 from PRODUCTION with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Select * into CentralizedData0012 from PRODUCTION with (nolock) Where 1=2 ",
     "Select * From PRODUCTION Where isnull(Transfered,'')<>'Y' ",
     "Select * from CentralizedData0012 ",
     "Update BControl set Lok=Lok",
     "Update BControl set Lok=Lok",
     "Update PRODUCTION set de='X' from PRODUCTION A,CentralizedData0012 B Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ",
     "Insert into PRODUCTION (Code,Name) Select Code,Name From CentralizedData0012 with (NoLock) Where isnull(Transfered,'')<>'Y' ",
     "Delete from PRODUCTION where de='X' ",
     "Update PRODUCTION set BR7='Y' from PRODUCTION A,CentralizedData0012 B  with (NoLock) Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.refno,0)=isnull(b.refno,0) and  isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  ",
     Pair::kYear, false, "PRODUCTIONDOWNLOAD", BranchNumber::kBranchNo, BranchNumber::kCentralBranchNo},
    {"PRODUCTIONTRAN",
     "Select Top 1 Rno From PRODUCTIONTRAN  with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Update PRODUCTIONTRAN set TmpRno=Rno Where isnull(Transfered,'')<>'Y' and isnull(TmpRno,0)=0 ",
     "Select * into CentralizedData0012 from PRODUCTIONTRAN with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Select * into CentralizedData0012 from PRODUCTIONTRAN with (nolock) Where 1=2 ",
     "Select * From PRODUCTIONTRAN Where isnull(Transfered,'')<>'Y' ",
     "Select * from CentralizedData0012 ",
     "Update BControl set Lok=Lok",
     "Update BControl set Lok=Lok",
     "Update PRODUCTIONTRAN set de='X' from PRODUCTIONTRAN A,CentralizedData0012 B Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ",
     "Insert into PRODUCTIONTRAN (Code,Name) Select Code,Name From CentralizedData0012 with (NoLock) Where isnull(Transfered,'')<>'Y' ",
     "Delete from PRODUCTIONTRAN where de='X' ",
     "Update PRODUCTIONTRAN set BR7='Y' from PRODUCTIONTRAN A,CentralizedData0012 B  with (NoLock) Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.refno,0)=isnull(b.refno,0) and  isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  ",
     Pair::kYear, false, "PRODUCTIONTRANDOWNLOAD", BranchNumber::kBranchNo, BranchNumber::kCentralBranchNo},
    {"TYRETRANS",
     "Select Top 1 Rno From TYRETRANS  with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Update TYRETRANS set TmpRno=Rno Where isnull(Transfered,'')<>'Y' and isnull(TmpRno,0)=0 ",
     "Select * into CentralizedData0012 from TYRETRANS with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Select * into CentralizedData0012 from TYRETRANS with (nolock) Where 1=2 ",
     "Select * From TYRETRANS Where isnull(Transfered,'')<>'Y' ",
     "Select * from CentralizedData0012 ",
     "Update BControl set Lok=Lok",
     "Update BControl set Lok=Lok",
     "Update TYRETRANS set de='X' from TYRETRANS A,CentralizedData0012 B Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.billno,0)=isnull(b.billno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ",
     "Insert into TYRETRANS (Code,Name) Select Code,Name From CentralizedData0012 with (NoLock) Where isnull(Transfered,'')<>'Y' ",
     "Delete from TYRETRANS where de='X' ",
     "Update TYRETRANS set BR7='Y' from TYRETRANS A,CentralizedData0012 B  with (NoLock) Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0)  and isnull(a.billno,0)=isnull(b.billno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.refno,0)=isnull(b.refno,0) and  isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  ",
     Pair::kYear, false, "TYRETRANDOWNLOAD", BranchNumber::kBranchNo, BranchNumber::kCentralBranchNo},
    {"STAFFATTND",
     "Select Top 1 Rno From STAFFATTND with (nolock)  Where isnull(Transfered,'')<>'Y' ",
     "Update STAFFATTND set TmpRno=Rno Where isnull(Transfered,'')<>'Y' and isnull(TmpRno,0)=0 ",
     "Select * into CentralizedData0012 from STAFFATTND with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Select * into CentralizedData0012 from STAFFATTND with (nolock) Where 1=2 ",
     "Select * From STAFFATTND Where isnull(Transfered,'')<>'Y' ",
     "Select * from CentralizedData0012 ",
     "Update Code set ParamCode=ParamCode ",
     "Update Code set ParamCode=ParamCode ",
     "Update STAFFATTND set de='X' from STAFFATTND A,CentralizedData0012 B Where isnull(B.Transfered,'')<>'Y' and isnull(a.Oper_Code,0)=isnull(b.Oper_Code,0) and a.ADate=b.ADate and isnull(a.Ainout,'')=isnull(b.Ainout,'') and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) and isnull(B.TmpRno,0)<>0 ",
     "Insert into STAFFATTND (Code,Name) Select Code,Name From CentralizedData0012 Where isnull(Transfered,'')<>'Y' ",
     "Delete from STAFFATTND where de='X' ",
     "Update STAFFATTND set BR7='Y' from STAFFATTND A,CentralizedData0012 B  with (NoLock) Where  isnull(B.Transfered,'')<>'Y' and isnull(a.Oper_Code,0)=isnull(b.Oper_Code,0) and a.ADate=b.ADate and isnull(a.Ainout,'')=isnull(b.Ainout,'') and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ",
     Pair::kMain, false, "STAFFATTNDDOWNLOAD", BranchNumber::kBranchNo, BranchNumber::kCentralBranchNo},
    {"Operator",
     "Select Top 1 Rno From Operator with (nolock)  Where isnull(Transfered,'')<>'Y' ",
     "",
     "Select * into CentralizedData0012 from Operator with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Select * into CentralizedData0012 from Operator with (nolock) Where 1=2 ",
     "Select * From Operator Where isnull(Transfered,'')<>'Y' ",
     "Select * from CentralizedData0012 ",
     "Update Code set ParamCode=ParamCode ",
     "Update Code set ParamCode=ParamCode ",
     "Update Operator set de='X' from Operator A,CentralizedData0012 B Where isnull(B.Transfered,'')<>'Y' and isnull(a.Oper_Code,0)=isnull(b.Oper_Code,0) ",
     "Insert into Operator (Code,Name) Select Code,Name From CentralizedData0012 Where isnull(Transfered,'')<>'Y' ",
     "Delete from Operator where de='X' ",
     "Update Operator set BR7='Y' from Operator A,CentralizedData0012 B  with (NoLock) Where  isnull(B.Transfered,'')<>'Y' and isnull(a.Oper_Code,0)=isnull(b.Oper_Code,0) ",
     Pair::kMain, false, "OperatorDOWNLOAD", BranchNumber::kBranchNo, BranchNumber::kCentralBranchNo},
    {"METERIAL",
     "Select Top 1 Rno From METERIAL with (nolock)  Where isnull(Transfered,'')<>'Y' ",
     "",
     "Select * into CentralizedData0012 from METERIAL with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Select * into CentralizedData0012 from METERIAL with (nolock) Where 1=2 ",
     "Select * From METERIAL Where isnull(Transfered,'')<>'Y' ",
     "Select * from CentralizedData0012 ",
     "Update Code set ParamCode=ParamCode ",
     "Update Code set ParamCode=ParamCode ",
     "Update METERIAL set de='X' from METERIAL A,CentralizedData0012 B Where isnull(B.Transfered,'')<>'Y' and isnull(a.METERIALCODE,0)=isnull(b.METERIALCODE,0) ",
     "Insert into METERIAL (Code,Name) Select Code,Name From CentralizedData0012 Where isnull(Transfered,'')<>'Y' ",
     "Delete from METERIAL where de='X' ",
     "Update METERIAL set BR7='Y' from METERIAL A,CentralizedData0012 B  with (NoLock) Where  isnull(B.Transfered,'')<>'Y' and isnull(a.METERIALCODE,0)=isnull(b.METERIALCODE,0) ",
     Pair::kMain, true, "METERIALDOWNLOAD", BranchNumber::kBranchNo, BranchNumber::kCentralBranchNo},
    {"OPERATORLog",
     "Select Top 1 Rno From OPERATORLog with (nolock)  Where isnull(Transfered,'')<>'Y' ",
     "",
     "Select * into CentralizedData0012 from OPERATORLog with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Select * into CentralizedData0012 from OPERATORLog with (nolock) Where 1=2 ",
     "Select * From OPERATORLog Where isnull(Transfered,'')<>'Y' ",
     "Select * from CentralizedData0012 ",
     "Update Code set ParamCode=ParamCode ",
     "Update Code set ParamCode=ParamCode ",
     "",
     "Insert into OPERATORLog (Code,Name) Select Code,Name From CentralizedData0012 Where isnull(Transfered,'')<>'Y' ",
     "",
     "",
     Pair::kMain, true, "OPERATORLOGDOWNLOAD", BranchNumber::kNoNumber, BranchNumber::kCentralBranchNo},
    {"DPURCHASE",
     "Select Top 1 Rno From DPURCHASE  with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Update DPURCHASE set TmpRno=Rno Where isnull(Transfered,'')<>'Y' and isnull(TmpRno,0)=0 ",
     "Select * into CentralizedData0012 from DPURCHASE with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Select * into CentralizedData0012 from DPURCHASE with (nolock) Where 1=2 ",
     "Select * From DPURCHASE Where isnull(Transfered,'')<>'Y' ",
     "Select * from CentralizedData0012 ",
     "Update BControl set Lok=Lok",
     "Update BControl set Lok=Lok",
     "Update DPURCHASE set de='X' from DPURCHASE A,CentralizedData0012 B Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.Billno,'')=isnull(b.Billno,'') and isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ",
     "Insert into DPURCHASE (Code,Name) Select Code,Name From CentralizedData0012 with (NoLock) Where isnull(Transfered,'')<>'Y' ",
     "Delete from DPURCHASE where de='X' ",
     "Update DPURCHASE set BR7='Y' from DPURCHASE A,CentralizedData0012 B  with (NoLock) Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.Billno,'')=isnull(b.Billno,'') and isnull(a.refno,0)=isnull(b.refno,0) and  isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  ",
     Pair::kYear, false, "DPURCHASEDOWNLOAD", BranchNumber::kBranchNo, BranchNumber::kCentralBranchNo},
    {"OUTSTANDING",
     "Select Top 1 Rno From OUTSTANDING  with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Update OUTSTANDING set TmpRno=Rno Where isnull(Transfered,'')<>'Y' and isnull(TmpRno,0)=0 ",
     "Select * into CentralizedData0012 from OUTSTANDING with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Select * into CentralizedData0012 from OUTSTANDING with (nolock) Where 1=2 ",
     "Select * From OUTSTANDING Where isnull(Transfered,'')<>'Y' ",
     "Select * from CentralizedData0012 ",
     "Update BControl set Lok=Lok",
     "Update BControl set Lok=Lok",
     "Update OUTSTANDING set de='X' from OUTSTANDING A,CentralizedData0012 B Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.billno,'')=isnull(b.billno,'') and isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ",
     "Insert into OUTSTANDING (Code,Name) Select Code,Name From CentralizedData0012 with (NoLock) Where isnull(Transfered,'')<>'Y' ",
     "Delete from OUTSTANDING where de='X' ",
     "Update OUTSTANDING set BR7='Y' from OUTSTANDING A,CentralizedData0012 B  with (NoLock) Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.billno,'')=isnull(b.billno,'') and isnull(a.refno,0)=isnull(b.refno,0) and  isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  ",
     Pair::kYear, false, "OUTSTANDINGDOWNLOAD", BranchNumber::kBranchNo, BranchNumber::kCentralBranchNo},
    {"VEHICLEEXPENSES",
     "Select Top 1 Rno From VEHICLEEXPENSES  with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Update VEHICLEEXPENSES set TmpRno=Rno Where isnull(Transfered,'')<>'Y' and isnull(TmpRno,0)=0 ",
     "Select * into CentralizedData0012 from VEHICLEEXPENSES with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Select * into CentralizedData0012 from VEHICLEEXPENSES with (nolock) Where 1=2 ",
     "Select * From VEHICLEEXPENSES Where isnull(Transfered,'')<>'Y' ",
     "Select * from CentralizedData0012 ",
     "Update BControl set Lok=Lok",
     "Update BControl set Lok=Lok",
     "Update VEHICLEEXPENSES set de='X' from VEHICLEEXPENSES A,CentralizedData0012 B Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.billno,'')=isnull(b.billno,'') and isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ",
     "Insert into VEHICLEEXPENSES (Code,Name) Select Code,Name From CentralizedData0012 with (NoLock) Where isnull(Transfered,'')<>'Y' ",
     "Delete from VEHICLEEXPENSES where de='X' ",
     "Update VEHICLEEXPENSES set BR7='Y' from VEHICLEEXPENSES A,CentralizedData0012 B  with (NoLock) Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.billno,'')=isnull(b.billno,'') and isnull(a.refno,0)=isnull(b.refno,0) and  isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  ",
     Pair::kYear, false, "VEHICLEEXPENSESDOWNLOAD", BranchNumber::kBranchNo, BranchNumber::kCentralBranchNo},
    {"JOBWORK",
     "Select Top 1 Rno From JOBWORK  with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Update JOBWORK set TmpRno=Rno Where isnull(Transfered,'')<>'Y' and isnull(TmpRno,0)=0 ",
     "Select * into CentralizedData0012 from JOBWORK with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Select * into CentralizedData0012 from JOBWORK with (nolock) Where 1=2 ",
     "Select * From JOBWORK Where isnull(Transfered,'')<>'Y' ",
     "Select * from CentralizedData0012 ",
     "Update BControl set Lok=Lok",
     "Update BControl set Lok=Lok",
     "Update JOBWORK set de='X' from JOBWORK A,CentralizedData0012 B Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.JobCardNo,'')=isnull(b.JobCardNo,'') and isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(a.RecIss,'')=isnull(B.RecIss,'') and isnull(B.TmpRno,0)<>0 ",
     "Insert into JOBWORK (Code,Name) Select Code,Name From CentralizedData0012 with (NoLock) Where isnull(Transfered,'')<>'Y' ",
     "Delete from JOBWORK where de='X' ",
     "Update JOBWORK set BR7='Y' from JOBWORK A,CentralizedData0012 B  with (NoLock) Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.JobCardNo,'')=isnull(b.JobCardNo,'') and isnull(a.refno,0)=isnull(b.refno,0) and  isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)   and isnull(a.RecIss,'')=isnull(B.RecIss,'')   ",
     Pair::kYear, false, "JOBWORKDOWNLOAD", BranchNumber::kBranchNo, BranchNumber::kCentralBranchNo},
    {"JOBWORKDETAILS",
     "Select Top 1 Rno From JOBWORKDETAILS  with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Update JOBWORKDETAILS set TmpRno=Rno Where isnull(Transfered,'')<>'Y' and isnull(TmpRno,0)=0 ",
     "Select * into CentralizedData0012 from JOBWORKDETAILS with (nolock) Where isnull(Transfered,'')<>'Y' ",
     "Select * into CentralizedData0012 from JOBWORKDETAILS with (nolock) Where 1=2 ",
     "Select * From JOBWORKDETAILS Where isnull(Transfered,'')<>'Y' ",
     "Select * from CentralizedData0012 ",
     "Update BControl set Lok=Lok",
     "Update BControl set Lok=Lok",
     "Update JOBWORKDETAILS set de='X' from JOBWORKDETAILS A,CentralizedData0012 B Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.JobCardNo,'')=isnull(b.JobCardNo,'') and isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(a.RecIss,'')=isnull(B.RecIss,'') and isnull(B.TmpRno,0)<>0 ",
     "Insert into JOBWORKDETAILS (Code,Name) Select Code,Name From CentralizedData0012 with (NoLock) Where isnull(Transfered,'')<>'Y' ",
     "Delete from JOBWORKDETAILS where de='X' ",
     "Update JOBWORKDETAILS set BR7='Y' from JOBWORKDETAILS A,CentralizedData0012 B  with (NoLock) Where isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.JobCardNo,'')=isnull(b.JobCardNo,'') and isnull(a.refno,0)=isnull(b.refno,0) and  isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)   and isnull(a.RecIss,'')=isnull(B.RecIss,'')   ",
     Pair::kYear, false, "JOBWORKDETAILSDOWNLOAD", BranchNumber::kBranchNo, BranchNumber::kCentralBranchNo},
};

Settings siteSettings() {
  Settings settings;
  settings.siteId = "0012";
  return settings;
}

class UploadStatementsTest : public ::testing::TestWithParam<ExpectedMember> {};

TEST_P(UploadStatementsTest, EveryStatementByteForByte) {
  const ExpectedMember& expected = GetParam();
  const UploadMember* member = findUploadMember(expected.table);
  ASSERT_NE(member, nullptr);
  const Settings settings = siteSettings();

  EXPECT_EQ(probeStatement(*member), expected.probe);
  EXPECT_EQ(member->branch.tmpRnoPreparation, !expected.tmpRno.empty());
  if (member->branch.tmpRnoPreparation) {
    EXPECT_EQ(tmpRnoStatement(*member), expected.tmpRno);
  }
  EXPECT_EQ(branchSnapshotStatement(*member, settings), expected.branchSnapshot);
  EXPECT_EQ(headOfficeStagingStatement(*member, settings), expected.headOfficeStaging);
  EXPECT_EQ(sourceStatement(*member), expected.source);
  EXPECT_EQ(stagingRowsStatement(settings), expected.stagingRows);
  EXPECT_EQ(member->branch.branchLock, expected.branchLock);
  EXPECT_EQ(member->branch.headOfficeLock, expected.headOfficeLock);
  EXPECT_EQ(markStatement(*member, settings), expected.mark);
  EXPECT_EQ(insertStatement(*member, settings, "Code,Name"), expected.insert);
  EXPECT_EQ(member->headOffice.deleteStatement, expected.remove);
  EXPECT_EQ(brStatement(*member, settings, "7"), expected.br);
}

TEST_P(UploadStatementsTest, ParametersAndErrorLabel) {
  const ExpectedMember& expected = GetParam();
  const UploadMember* member = findUploadMember(expected.table);
  ASSERT_NE(member, nullptr);
  EXPECT_EQ(member->branch.pair, expected.pair);
  EXPECT_EQ(member->branch.siteGate, expected.siteGate);
  EXPECT_EQ(member->headOffice.errorLabel, expected.errorLabel);
  EXPECT_EQ(member->headOffice.brNumber, expected.brNumber);
  EXPECT_EQ(member->headOffice.messagePrefix, expected.messagePrefix);
  const FieldMap* map = findFieldMap(member->table());
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->table, member->table());
}

INSTANTIATE_TEST_SUITE_P(AllMembers, UploadStatementsTest, ::testing::ValuesIn(kExpected),
                         [](const ::testing::TestParamInfo<ExpectedMember>& info) {
                           return std::string(info.param.table);
                         });

TEST(UploadMembersTest, EighteenDistinctMembersFoundByExactSpelling) {
  std::set<std::string_view> tables;
  for (const UploadMember& member : kUploadMembers) tables.insert(member.table());
  EXPECT_EQ(tables.size(), 18u);
  EXPECT_NE(findUploadMember("OPERATORLog"), nullptr);
  EXPECT_EQ(findUploadMember("OperatorLog"), nullptr);
  EXPECT_EQ(findUploadMember("BANKMASTER"), nullptr);
}

TEST(UploadMembersTest, BranchNumbersComeFromSettingsOrCycle) {
  struct NullConnector : Connector {
    std::unique_ptr<Session> connect(const std::string&, int) override { return nullptr; }
  };
  AgentContext context(std::make_shared<NullConnector>());
  context.settings.branchNo = 7;
  context.cycle.centralBranchNo = 12;
  EXPECT_EQ(branchNumberOf(BranchNumber::kBranchNo, context), 7);
  EXPECT_EQ(branchNumberOf(BranchNumber::kCentralBranchNo, context), 12);
  EXPECT_EQ(branchNumberOf(BranchNumber::kNoNumber, context), 0);
}

TEST(UploadMembersTest, SiteGateAcceptsZemraInAnyCaseWithBlanks) {
  const UploadMember& meterial = *findUploadMember("METERIAL");
  const UploadMember& operatorLog = *findUploadMember("OPERATORLog");
  const UploadMember& customer = *findUploadMember("CUSTOMER");
  struct Case {
    std::string_view prefix;
    bool open;
  };
  for (const Case& c : {Case{"ZEMRA", true}, Case{"zemra", true}, Case{"  ZeMrA  ", true},
                        Case{"ZEMRAX", false}, Case{"ZEM RA", false}, Case{"", false},
                        Case{"HOA", false}}) {
    EXPECT_EQ(siteGateOpen(meterial, c.prefix), c.open) << "'" << c.prefix << "'";
    EXPECT_EQ(siteGateOpen(operatorLog, c.prefix), c.open) << "'" << c.prefix << "'";
    EXPECT_TRUE(siteGateOpen(customer, c.prefix)) << "'" << c.prefix << "'";
  }
}

}  // namespace
}  // namespace velmora
