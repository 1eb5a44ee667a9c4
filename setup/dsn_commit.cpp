// The commit is not built yet: it writes nothing and answers 0, so a silent add or
// configure request fails without touching the profile.
#include "setup/dsn_commit.h"

int CommitDsn(HWND) { return 0; }
