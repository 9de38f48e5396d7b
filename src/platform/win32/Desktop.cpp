#include "platform/Desktop.h"

#include "platform/Text.h"

#include <string>
#include <vector>

#include <windows.h>
// After windows.h, which they build on.
#include <knownfolders.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace platform {
namespace {

std::wstring Wide(std::string_view utf8) {
    std::u16string u = Utf8ToUtf16(utf8);
    return std::wstring(u.begin(), u.end());
}

std::string Narrow(const wchar_t* w) {
    std::wstring_view v(w);
    return Utf16ToUtf8(std::u16string(v.begin(), v.end()));
}

// Slashes become backslashes; the shell stores what it is given.
std::wstring WindowsPath(const std::string& path) {
    std::wstring w = Wide(path);
    for (wchar_t& c : w)
        if (c == L'/') c = L'\\';
    return w;
}

// A folder without its trailing separators, except a drive's root ("C:\").
std::wstring WithoutTrailingSeparator(std::wstring folder) {
    while (folder.size() > 1 && folder.back() == L'\\' &&
           !(folder.size() == 3 && folder[1] == L':'))
        folder.pop_back();
    return folder;
}

// COM for the length of one call, in a single-threaded apartment; left as it
// was found when the thread had it already.
class ComScope {
public:
    ComScope() {
        HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        FUninitialize = SUCCEEDED(hr); // S_FALSE too: it counts
        // RPC_E_CHANGED_MODE: the thread is in the multi-threaded apartment,
        // where the shell link object works as well.
        FUsable = SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;
    }
    ~ComScope() {
        if (FUninitialize) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool Usable() const { return FUsable; }

private:
    bool FUninitialize = false;
    bool FUsable = false;
};

// Releases a COM interface at the end of the scope.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (FPtr) FPtr->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T* operator->() const { return FPtr; }
    T** Out() { return &FPtr; }
    void** OutVoid() { return reinterpret_cast<void**>(&FPtr); }
    explicit operator bool() const { return FPtr != nullptr; }

private:
    T* FPtr = nullptr;
};

bool IsFolder(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Paths a shell link returns; generous, since links may hold long paths.
constexpr int kLinkText = 32768;

} // namespace

std::string DesktopFolder() {
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, &path)) && path)
        folder = Narrow(WithoutTrailingSeparator(path).c_str());
    CoTaskMemFree(path);
    return folder;
}

std::string WriteShortcut(const std::string& folder, const ShortcutSpec& spec) {
    if (folder.empty() || spec.name.empty()) return "";
    const std::wstring dir = WithoutTrailingSeparator(WindowsPath(folder));
    if (!IsFolder(dir)) return "";
    const std::wstring sep = dir.back() == L'\\' ? L"" : L"\\";
    const std::wstring file = dir + sep + Wide(spec.name) + L".lnk";
    // Beside the link and moved over it, so that an older link is replaced
    // whole or not at all. The name is plain ASCII: Wine's shell cannot save
    // a link under a name outside the ANSI code page.
    const std::wstring temporary =
        dir + sep + L"~shortcut-" + std::to_wstring(GetCurrentProcessId()) + L".tmp.lnk";

    ComScope com;
    if (!com.Usable()) return "";
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.OutVoid())))
        return "";
    const std::wstring target = WindowsPath(spec.target);
    const std::wstring working = WindowsPath(spec.workingDirectory);
    const std::wstring description = Wide(spec.name);
    if (FAILED(link->SetPath(target.c_str())) ||
        FAILED(link->SetWorkingDirectory(working.c_str())) ||
        FAILED(link->SetDescription(description.c_str())))
        return "";
    if (!spec.iconPath.empty() &&
        FAILED(link->SetIconLocation(WindowsPath(spec.iconPath).c_str(), 0)))
        return "";
    ComPtr<IPersistFile> store;
    if (FAILED(link->QueryInterface(IID_IPersistFile, store.OutVoid()))) return "";
    if (FAILED(store->Save(temporary.c_str(), TRUE))) {
        DeleteFileW(temporary.c_str());
        return "";
    }
    if (!MoveFileExW(temporary.c_str(), file.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        return "";
    }
    return Narrow(file.c_str());
}

std::optional<ShortcutSpec> ReadShortcut(const std::string& path) {
    const std::wstring file = WindowsPath(path);
    ComScope com;
    if (!com.Usable()) return std::nullopt;
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.OutVoid())))
        return std::nullopt;
    ComPtr<IPersistFile> store;
    if (FAILED(link->QueryInterface(IID_IPersistFile, store.OutVoid())) ||
        FAILED(store->Load(file.c_str(), STGM_READ)))
        return std::nullopt;
    std::vector<wchar_t> text(kLinkText);
    ShortcutSpec spec;
    // The path as stored, not resolved against the file system: the target
    // may not exist yet.
    if (FAILED(link->GetPath(text.data(), kLinkText, nullptr, SLGP_RAWPATH))) return std::nullopt;
    spec.target = Narrow(text.data());
    text[0] = L'\0';
    if (SUCCEEDED(link->GetWorkingDirectory(text.data(), kLinkText)))
        spec.workingDirectory = Narrow(text.data());
    text[0] = L'\0';
    int index = 0;
    if (SUCCEEDED(link->GetIconLocation(text.data(), kLinkText, &index)))
        spec.iconPath = Narrow(text.data());
    size_t slash = file.find_last_of(L"\\");
    std::wstring name = slash == std::wstring::npos ? file : file.substr(slash + 1);
    size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.resize(dot);
    spec.name = Narrow(name.c_str());
    return spec;
}

} // namespace platform
