// The ODBC profiles as a user's installer sees them, through Wine's real odbccp32, plus
// direct registry reads where the installer splits a DSN between the hives.
#pragma once

#include <windows.h>

#include <map>
#include <string>

// The driver description tests and tools register DSNSET64.dll under.
extern const char kClientDriverName[];

// Registers DSNSET64.dll of the given folder as the driver's setup library, the way an
// installer does (SQLInstallDriverEx with the folder as path, so Setup is absolute).
bool RegisterClientDriver(const std::string& folder);

// Creates a DSN under the driver: registered with SQLWriteDSNToIni, keys written with
// SQLWritePrivateProfileString, as an earlier setup would have left it.
bool CreateDsn(const std::string& dsn, const std::map<std::string, std::string>& keys,
               const char* driver = kClientDriverName);

// True when "ODBC Data Sources" lists the DSN (the installer keeps the list in HKLM).
bool DsnListed(const std::string& dsn);

// A key of the DSN's section as SQLGetPrivateProfileString reads it; "<missing>" when absent.
std::string ReadDsnKey(const std::string& dsn, const std::string& key);

// Removes every trace of a DSN from both hives.
void ForgetDsn(const std::string& dsn);

// Every value under the key and its subkeys, one "hive\key\value=data" per line.
std::string RegistryText(HKEY root, const std::string& path);

// Every value under Software\ODBC\ODBC.INI in both hives, one "hive\key\value=data" per line,
// for before-and-after comparisons.
std::string OdbcIniSnapshot();

#include "tests/support/attribute_list.h"
#include "tests/support/executable_folder.h"
