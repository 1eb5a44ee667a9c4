// The ODBC profiles as a user's installer sees them, through Wine's real odbccp32, plus
// direct registry reads where the installer splits a DSN between the hives.
#pragma once
#include <windows.h>
#include <odbcinst.h>
#include <map>
#include <string>
#include "tests/support/attribute_list.h"
#include "tests/support/executable_folder.h"
extern const char kClientDriverName[];  // the description DSNSET64.dll is registered under
bool RegisterClientDriver(const std::string& folder);  // the folder's DSNSET64.dll, as an installer does
// A DSN as an earlier setup left it: SQLWriteDSNToIni, then each key.
bool CreateDsn(const std::string& dsn, const std::map<std::string, std::string>& keys,
               const char* driver = kClientDriverName);
// The installer's list of DSNs (in the machine hive) holds the name spelled exactly so.
bool DsnListed(const std::string& dsn);
std::string ReadDsnKey(const std::string& dsn, const std::string& key);  // "<missing>" when absent
std::string DsnKeys(const std::string& dsn);  // the DSN's section as one line "K=V K=V"
void ForgetDsn(const std::string& dsn);       // every trace, both hives
std::string RegistryText(HKEY root, const std::string& path);  // "hive\key\value=data" lines, subkeys too
std::string OdbcIniSnapshot();  // RegistryText of Software\ODBC\ODBC.INI in both hives
