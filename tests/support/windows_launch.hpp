#pragma once

// How the tests start the Windows program built beside them: its path, and the command
// line that hands it its arguments unchanged.
#ifdef _WIN32

#include <windows.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace kelmar::testing {

// The program built beside the running test.
inline std::filesystem::path programPath() {
    std::wstring self(32768, L'\0');
    self.resize(::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    return std::filesystem::path(self).parent_path() / L"kelmar-sim.exe";
}

// Quotes one argument for the Windows command line (CommandLineToArgvW's rules: a run of
// backslashes is doubled only before a quote, which is escaped).
inline std::wstring windowsQuoted(std::wstring_view argument) {
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        text.push_back(c);
    }
    text.append(backslashes * 2, L'\\');
    return text + L"\"";
}

}  // namespace kelmar::testing

#endif
