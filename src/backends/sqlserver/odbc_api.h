// The ODBC headers, included in one place: Windows needs <windows.h> before
// them. Only the ODBC backend's sources include this file.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>
