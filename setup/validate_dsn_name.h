#pragma once

// 0 when the name may be used as a DSN name, 1 when it may not. Shows nothing.
int ValidateDsnName(const char* name);
