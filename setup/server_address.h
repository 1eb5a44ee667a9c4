// The server as "odbc.ini" stores it: name, ".", port ("dbhost.1583"), an IPv6 address in
// brackets ("[fe80::1].1583"). Windows-free.
#pragma once

#include "setup/dsn_settings.h"


// The stored form of a server name and port (none: the default port). False, and nothing
// stored, when it would not fit 512 characters.
bool FormatStoredServer(const char* serverName, const char* port, ProfileText& stored);

// The server name of a stored form: the text without its last five characters (the "."
// and a four-digit port). A text shorter than that was not written with a four-digit port:
// it is cut at its last ".", or taken whole when it has none.
void ReadBackServerName(const char* stored, ProfileText& serverName);
