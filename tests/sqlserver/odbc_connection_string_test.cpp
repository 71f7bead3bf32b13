#include <gtest/gtest.h>

#include "backends/sqlserver/odbc_connector.h"

namespace velmora {
namespace {

ConnectionParams params(std::string server, std::optional<int> port, std::string password) {
  ConnectionParams p;
  p.server = std::move(server);
  p.port = port;
  p.database = "ABCMAIN";
  p.user = "sa";
  p.password = std::move(password);
  return p;
}

struct ConnectionStringCase {
  const char* name;
  const char* driver;
  bool encrypt;
  ConnectionParams params;
  const char* expected;
};

class OdbcConnectionStringTest : public ::testing::TestWithParam<ConnectionStringCase> {};

TEST_P(OdbcConnectionStringTest, BuildsTheDriversForm) {
  OdbcOptions options;
  options.driver = GetParam().driver;
  options.encrypt = GetParam().encrypt;
  EXPECT_EQ(odbcConnectionString(options, GetParam().params), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, OdbcConnectionStringTest,
    ::testing::Values(
        ConnectionStringCase{"FreeTdsServerName", "FreeTDS", false, params("HOSERVER", std::nullopt, "pw"),
                             "Driver=FreeTDS;Server=HOSERVER;Port=1433;Database=ABCMAIN;UID=sa;PWD={pw};"
                             "TDS_Version=7.4;ClientCharset=UTF-8;TextSize=2147483647;"},
        ConnectionStringCase{"FreeTdsPortZeroIsTheDefault", "FreeTDS", false, params("192.168.10.20", 0, "pw"),
                             "Driver=FreeTDS;Server=192.168.10.20;Port=1433;Database=ABCMAIN;UID=sa;PWD={pw};"
                             "TDS_Version=7.4;ClientCharset=UTF-8;TextSize=2147483647;"},
        ConnectionStringCase{"FreeTdsNamedInstanceFindsItsPort", "FreeTDS", false,
                             params("HOSERVER\\SQLEXPRESS", std::nullopt, "pw"),
                             "Driver=FreeTDS;Server=HOSERVER\\SQLEXPRESS;Database=ABCMAIN;UID=sa;PWD={pw};"
                             "TDS_Version=7.4;ClientCharset=UTF-8;TextSize=2147483647;"},
        ConnectionStringCase{"FreeTdsExplicitPort", "FreeTDS", false, params("10.0.0.5", 1500, "pw"),
                             "Driver=FreeTDS;Server=10.0.0.5;Port=1500;Database=ABCMAIN;UID=sa;PWD={pw};"
                             "TDS_Version=7.4;ClientCharset=UTF-8;TextSize=2147483647;"},
        ConnectionStringCase{"FreeTdsEncrypted", "FreeTDS", true, params("HO", std::nullopt, "pw"),
                             "Driver=FreeTDS;Server=HO;Port=1433;Database=ABCMAIN;UID=sa;PWD={pw};"
                             "TDS_Version=7.4;ClientCharset=UTF-8;TextSize=2147483647;Encryption=require;"},
        ConnectionStringCase{"PasswordWithSeparatorsIsBraced", "FreeTDS", false,
                             params("HO", std::nullopt, "a;b=c}d"),
                             "Driver=FreeTDS;Server=HO;Port=1433;Database=ABCMAIN;UID=sa;PWD={a;b=c}d};"
                             "TDS_Version=7.4;ClientCharset=UTF-8;TextSize=2147483647;"},
        ConnectionStringCase{"EmptyPassword", "FreeTDS", false, params("HO", std::nullopt, ""),
                             "Driver=FreeTDS;Server=HO;Port=1433;Database=ABCMAIN;UID=sa;PWD={};"
                             "TDS_Version=7.4;ClientCharset=UTF-8;TextSize=2147483647;"},
        ConnectionStringCase{"DriverByPath", "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so", false,
                             params("HO", std::nullopt, "pw"),
                             "Driver=/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so;Server=HO;Port=1433;Database=ABCMAIN;"
                             "UID=sa;PWD={pw};TDS_Version=7.4;ClientCharset=UTF-8;TextSize=2147483647;"},
        ConnectionStringCase{"MicrosoftDriverWithPort", "ODBC Driver 18 for SQL Server", false,
                             params("10.0.0.5", 1500, "pw"),
                             "Driver=ODBC Driver 18 for SQL Server;Server=10.0.0.5,1500;Database=ABCMAIN;"
                             "UID=sa;PWD={pw};Encrypt=no;"},
        ConnectionStringCase{"MicrosoftDriverDoublesClosingBraces", "ODBC Driver 18 for SQL Server", false,
                             params("HO", std::nullopt, "a}b;c"),
                             "Driver=ODBC Driver 18 for SQL Server;Server=HO;Database=ABCMAIN;"
                             "UID=sa;PWD={a}}b;c};Encrypt=no;"},
        ConnectionStringCase{"MicrosoftDriverEncrypted", "ODBC Driver 18 for SQL Server", true,
                             params("HO\\SQLEXPRESS", std::nullopt, "pw"),
                             "Driver=ODBC Driver 18 for SQL Server;Server=HO\\SQLEXPRESS;Database=ABCMAIN;"
                             "UID=sa;PWD={pw};Encrypt=yes;"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OdbcConnectionStringOverrideTest, BuilderReplacesTheDefaultForm) {
  OdbcOptions options;
  options.buildConnectionString = [](const ConnectionParams& p) { return "Database=" + p.database; };
  EXPECT_EQ(odbcConnectionString(options, params("HO", std::nullopt, "pw")), "Database=ABCMAIN");
}

TEST(OdbcConnectionStringDefaultsTest, DefaultDriverIsThePlatformsSqlServerDriver) {
#ifdef _WIN32
  EXPECT_EQ(OdbcOptions{}.driver, "ODBC Driver 18 for SQL Server");
#else
  EXPECT_EQ(OdbcOptions{}.driver, "FreeTDS");
#endif
}

}  // namespace
}  // namespace velmora
