// Statuses the stand-in server produces beyond the ones the product itself tests.
#pragma once

enum StandinStatus : unsigned short {
    kServerNotReachable = 7101,
    kLogonRefused = 7102,
    kSessionNotOpen = 7103,
    kWrongEngineType = 7104,
    kDatabaseNotFound = 7105,
    kEngineDsnNotFound = 7106,
    kMalformedRecord = 7107,
    kInfoCodeNotSupported = 7108,
};
