// The product's portability library w64qscore3.dll, imported at load time.
// Results are 0 on success, otherwise an HRESULT, unless a function says otherwise.
// Wide texts are 16-bit (wchar_t under mingw).
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef QSCORE_BUILD
#define QSCORE_API extern "C" __declspec(dllexport)
#else
#define QSCORE_API extern "C" __declspec(dllimport)
#endif

typedef void* QSHandle;
typedef std::int32_t QSResult;

// Registry roots.
constexpr std::int32_t QS_ROOT_LOCAL_MACHINE = 1;
constexpr std::int32_t QS_ROOT_CURRENT_USER = 4;
// Registry value types.
constexpr std::uint32_t QS_REG_TEXT = 0;
constexpr std::uint32_t QS_REG_NUMBER = 1;
constexpr std::uint32_t QS_REG_BINARY = 2;

QSCORE_API QSResult QSMutexCreate(const char* name, std::int32_t flags, QSHandle* mutex);
QSCORE_API QSResult QSMutexAcquire(QSHandle mutex);
QSCORE_API QSResult QSMutexRelease(QSHandle mutex);
QSCORE_API QSResult QSMutexDestroy(QSHandle mutex);

QSCORE_API QSResult QSLibOpen(const wchar_t* name, QSHandle* library);
QSCORE_API QSResult QSLibGetSymbol(QSHandle library, const wchar_t* name, void** entry);
QSCORE_API QSResult QSLibClose(QSHandle library);

QSCORE_API QSResult QSRegistryGetValue(std::int32_t root, const wchar_t* keyPath, const wchar_t* valueName,
                                       std::uint32_t* type, void* buffer, std::uint32_t* byteSize);
QSCORE_API QSResult QSRegistrySetValue(std::int32_t root, const wchar_t* keyPath, const wchar_t* valueName,
                                       std::uint32_t type, const void* data, std::uint32_t byteLength);

QSCORE_API QSResult QSFileOpen(const wchar_t* path, std::uint32_t access, std::uint32_t flags, QSHandle* file);
QSCORE_API QSResult QSFileClose(QSHandle file);
QSCORE_API QSResult QSDirOpen(const wchar_t* path, QSHandle* dir);
QSCORE_API QSResult QSDirClose(QSHandle dir);
QSCORE_API QSResult QSDirCreate(const wchar_t* path, void* reserved);

QSCORE_API QSResult QSGetHostNameA(char* buffer, std::uint32_t capacity);
QSCORE_API QSResult QSGetHostName(wchar_t* buffer, std::uint32_t capacity);
QSCORE_API std::uint16_t QSIsThisMyComputerA(const char* hostOrAddress);

QSCORE_API QSResult QSAnsiToUnicode(wchar_t* destination, const char* source, std::int32_t capacity);
QSCORE_API QSResult QSUnicodeToAnsi(char* destination, const wchar_t* source, std::int32_t capacity);
QSCORE_API QSResult QSGetDefaultCharEncoding(wchar_t* buffer);
QSCORE_API wchar_t* QSLToStrW(long number, wchar_t* buffer, int radix);

QSCORE_API std::int32_t QSStrLenA_32(const char* text);
QSCORE_API std::int32_t QSStrLenW_32(const wchar_t* text);
QSCORE_API char* QSStrCpyA(char* destination, const char* source);
QSCORE_API wchar_t* QSStrCpyW(wchar_t* destination, const wchar_t* source);
QSCORE_API wchar_t* QSStrCatW(wchar_t* destination, const wchar_t* source);
QSCORE_API int QSStrCmpW(const wchar_t* a, const wchar_t* b);
QSCORE_API int QSStrICmpA(const char* a, const char* b);
QSCORE_API const wchar_t* QSStrRChrW(const wchar_t* text, wchar_t c);
QSCORE_API const wchar_t* QSStrStrW(const wchar_t* text, const wchar_t* part);

// The library's allocator: memory shared with the class library's objects.
QSCORE_API void* QSMemAlloc(std::size_t size);
QSCORE_API void QSMemFree(void* block);
