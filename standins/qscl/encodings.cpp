// The class library's list of encodings. The environment variable QM_ENCODINGS, when set,
// replaces the list for tests: "name=code;name=code", with the entries "*count=HRESULT"
// and "*fill=HRESULT" making the counting or the filling call fail with that answer.
#define QSCL_BUILD
#include "platform/qscl.h"

#include <windows.h>

#include <cwchar>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct EncodingList {
    std::vector<std::wstring> names;
    std::vector<std::uint32_t> codes;
    std::int32_t countAnswer = kEncodingCountAnswer, fillAnswer = 0;
};

const wchar_t* const kKnown[][2] = {
    {L"UTF-8", L"65001"},       {L"windows-1252", L"1252"}, {L"windows-1250", L"1250"}, {L"windows-1251", L"1251"},
    {L"ISO-8859-1", L"28591"},  {L"IBM437", L"437"},        {L"IBM850", L"850"},        {L"Shift_JIS", L"932"},
    {L"EUC-KR", L"51949"},      {L"GB2312", L"936"},
};

EncodingList Parse(const std::wstring& text) {
    EncodingList list;
    for (std::size_t at = 0; at <= text.size();) {
        std::size_t end = text.find(L';', at);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring item = text.substr(at, end - at);
        const std::size_t equals = item.rfind(L'=');
        if (equals != std::wstring::npos) {
            const std::wstring name = item.substr(0, equals);
            const auto value = static_cast<std::uint32_t>(std::wcstoul(item.c_str() + equals + 1, nullptr, 0));
            if (name == L"*count") list.countAnswer = static_cast<std::int32_t>(value);
            else if (name == L"*fill") list.fillAnswer = static_cast<std::int32_t>(value);
            else list.names.push_back(name), list.codes.push_back(value);
        }
        at = end + 1;
    }
    return list;
}

// Each distinct list is parsed once and kept, so the names handed out stay valid.
const EncodingList& CurrentList() {
    static std::mutex guard;
    static std::map<std::wstring, EncodingList> lists;
    wchar_t text[4096] = {};
    const DWORD n = GetEnvironmentVariableW(L"QM_ENCODINGS", text, 4096);
    std::wstring key = n > 0 && n < 4096 ? std::wstring(text, n) : std::wstring();
    if (key.empty())
        for (const auto& known : kKnown) key += std::wstring(known[0]) + L"=" + known[1] + L";";
    std::lock_guard<std::mutex> hold(guard);
    auto it = lists.find(key);
    if (it == lists.end()) it = lists.emplace(key, Parse(key)).first;
    return it->second;
}

}  // namespace

extern "C" QSCL_API std::int32_t QSEnumerateEncInfo(std::int32_t* count, QSEncodingInfo* records) {
    if (count == nullptr) return static_cast<std::int32_t>(E_POINTER);
    const EncodingList& list = CurrentList();
    const auto total = static_cast<std::int32_t>(list.names.size());
    if (records == nullptr) {
        if (list.countAnswer == kEncodingCountAnswer) *count = total;
        return list.countAnswer;
    }
    if (list.fillAnswer < 0) return list.fillAnswer;
    const std::int32_t filled = *count < total ? *count : total;
    for (std::int32_t i = 0; i < filled; ++i)
        records[i] = {list.names[static_cast<std::size_t>(i)].c_str(), list.codes[static_cast<std::size_t>(i)], 0};
    *count = filled;
    return filled < total ? 1 : 0;  // S_FALSE: more encodings than records
}
