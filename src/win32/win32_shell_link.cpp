#include "win32/win32_shell_link.h"

#include <windows.h>
// after windows.h, which they need
#include <objidl.h>
#include <shlobj.h>

#include <vector>

#include "core/errors.h"
#include "core/text.h"
#include "win32/com_ptr.h"

namespace pallisar {

namespace {

// What the shell keeps of a link's arguments (INFOTIPSIZE).
constexpr int kMaxArguments = 1024;

void ThrowIfFailed(HRESULT result) {
    if (FAILED(result)) throw Error(ComErrorText(result));
}

std::wstring Utf16FromAnsi(const std::string& text) {
    const int size = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (size <= 0) return std::wstring();
    std::vector<wchar_t> wide(size);
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), size);
    return std::wstring(wide.data());
}

class Win32ShellLink final : public ShellLink {
  public:
    Win32ShellLink(ComPtr<IUnknown> object, ComPtr<IShellLinkA> link, ComPtr<IPersistFile> file)
        : object_(std::move(object)), link_(std::move(link)), file_(std::move(file)) {}

    void SetPath(const std::string& path) override { link_->SetPath(path.c_str()); }
    void SetWorkingDirectory(const std::string& dir) override {
        link_->SetWorkingDirectory(dir.c_str());
    }
    void SetArguments(const std::string& arguments) override {
        link_->SetArguments(arguments.c_str());
    }
    void SetDescription(const std::string& description) override {
        link_->SetDescription(description.c_str());
    }
    void SetShowCmd(int showCmd) override { link_->SetShowCmd(showCmd); }
    void SetIconLocation(const std::string& file, int number) override {
        link_->SetIconLocation(file.c_str(), number);
    }
    ShellLinkResult Save(const std::string& path) override {
        return file_->Save(Utf16FromAnsi(path).c_str(), TRUE);
    }
    ShellLinkResult Load(const std::string& path) override {
        return file_->Load(Utf16FromAnsi(path).c_str(), STGM_READ);
    }
    std::string GetPath() override {
        char path[MAX_PATH] = {};
        WIN32_FIND_DATAA found{};
        // S_FALSE and an empty path for a link to something that is no file.
        if (link_->GetPath(path, MAX_PATH, &found, 0) != S_OK) return {};
        return path;
    }
    std::string GetArguments() override {
        char arguments[kMaxArguments] = {};
        if (FAILED(link_->GetArguments(arguments, kMaxArguments))) return {};
        return arguments;
    }

  private:
    // Released in reverse order: both interfaces, then the object.
    ComPtr<IUnknown> object_;
    ComPtr<IShellLinkA> link_;
    ComPtr<IPersistFile> file_;
};

}  // namespace

std::string ComErrorText(int32_t result) {
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(result), 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text(buffer ? buffer : "", buffer ? length : 0);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
        text.pop_back();
    if (!text.empty()) return text;
    return "OLE error " + HexText(static_cast<uint32_t>(result), 8);
}

std::unique_ptr<ShellLink> Win32ShellLinkFactory::Create() {
    ComPtr<IUnknown> object;
    ThrowIfFailed(CoCreateInstance(CLSID_ShellLink, nullptr,
                                   CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                   object.ReceiveVoid()));
    ComPtr<IShellLinkA> link;
    ThrowIfFailed(object.QueryInterface(IID_IShellLinkA, link));
    ComPtr<IPersistFile> file;
    ThrowIfFailed(object.QueryInterface(IID_IPersistFile, file));
    return std::make_unique<Win32ShellLink>(std::move(object), std::move(link), std::move(file));
}

}  // namespace pallisar
