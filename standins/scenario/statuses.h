// Statuses the stand-in server produces: those the product tests, by their meaning, and the
// stand-in's own beyond them.
#pragma once

enum StandinStatus : unsigned short {
    kSuccess = 0,
    kNoMemory = 222,
    kDictionaryExists = 290,
    kMoreNames = 2300,
    kDatabaseExists = 2303,
    kDictionaryPathMissing = 2305,
    kDictionaryShared = 2313,
    kEngineDsnExists = 4111,
    kEntryNotAvailable = 8005,
    kEngineNotLoaded = 8020,

    kServerNotReachable = 7101,
    kLogonRefused = 7102,
    kSessionNotOpen = 7103,
    kWrongEngineType = 7104,
    kDatabaseNotFound = 7105,
    kEngineDsnNotFound = 7106,
    kMalformedRecord = 7107,
    kInfoCodeNotSupported = 7108,
};
