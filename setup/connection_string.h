// The connection string Test Connection hands the ODBC Driver Manager, built from the
// settings record. Windows-free.
#pragma once

#include "setup/dsn_settings.h"

// "DRIVER={driver};DBQ=...;ServerName=<stored server>;TransportHint=..." followed by
// ";TranslationDLL=..." and ";QmTranslate=..." when those are set and not empty. The server
// is in its stored form ("dbhost.1583", "[fe80::1].1583") with the record's TCPPort as it
// stands. False, and connection left as it was, when the whole string would pass 512
// characters: a string cut short could name another database or transport, so it is
// never sent.
bool BuildConnectionString(const DsnSettings& settings, const char* driverName, ProfileText& connection);
