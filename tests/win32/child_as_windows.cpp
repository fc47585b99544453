#include "child_as_windows.h"

#include <windows.h>

#include "support/temp_dir.h"
#include "win32/scoped_handle.h"
#include "win32/win32_registry.h"

namespace pallisar::test {

namespace {

constexpr const char* kChildVariable = "PALLISAR_OLD_WINDOWS_CHILD";

std::string SelfPath() {
    char path[MAX_PATH + 1] = {};
    return std::string(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
}

// Wine picks per-program settings by the executable's file name.
std::string AppDefaultsKey() {
    const std::string self = SelfPath();
    return "Software\\Wine\\AppDefaults\\" + self.substr(self.find_last_of('\\') + 1);
}

// The per-program Windows version for the lifetime of the object, however the test ends.
class AppDefaultsVersion {
  public:
    explicit AppDefaultsVersion(const std::string& version) {
        registry_.DeleteTree(RegRoot::CurrentUser, key_);
        std::unique_ptr<RegistryKey> appKey;
        if (registry_.CreateKey(RegRoot::CurrentUser, key_, appKey) == regError::kSuccess)
            appKey->SetValue("Version", RegValue::Text(version));
    }
    ~AppDefaultsVersion() { registry_.DeleteTree(RegRoot::CurrentUser, key_); }
    AppDefaultsVersion(const AppDefaultsVersion&) = delete;
    AppDefaultsVersion& operator=(const AppDefaultsVersion&) = delete;

  private:
    Win32Registry registry_;
    std::string key_ = AppDefaultsKey();
};

}  // namespace

bool InChildAsOldWindows() { return GetEnvironmentVariableA(kChildVariable, nullptr, 0) != 0; }

testing::AssertionResult RunTestsAsWindows(const std::string& version, const std::string& filter,
                                           const std::vector<std::string>& mustRun) {
    AppDefaultsVersion asOldWindows(version);
    // The child writes its test output to a file, returned when it fails.
    TempDir dir;
    const std::string outputPath = dir.File("child.txt");
    DWORD exitCode = 12345;
    {
        SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
        ScopedKernelHandle output(CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                              &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                              nullptr));
        if (!output.IsValid())
            return testing::AssertionFailure() << "output file " << GetLastError();

        const std::string self = SelfPath();
        std::string commandLine = "\"" + self + "\" --gtest_filter=" + filter;
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output.Get();
        startup.hStdError = output.Get();
        PROCESS_INFORMATION info = {};
        SetEnvironmentVariableA(kChildVariable, "1");
        const BOOL started = CreateProcessA(self.c_str(), commandLine.data(), nullptr, nullptr,
                                            TRUE, 0, nullptr, nullptr, &startup, &info);
        const DWORD startError = GetLastError();
        SetEnvironmentVariableA(kChildVariable, nullptr);
        if (!started) return testing::AssertionFailure() << "CreateProcessA: " << startError;
        ScopedKernelHandle process(info.hProcess);
        ScopedKernelHandle thread(info.hThread);
        if (WaitForSingleObject(process.Get(), 120000) != WAIT_OBJECT_0)
            return testing::AssertionFailure() << "the child still runs after 120 s";
        GetExitCodeProcess(process.Get(), &exitCode);
    }
    const std::string childOutput = ReadFileBytes(outputPath);
    if (exitCode != 0)
        return testing::AssertionFailure() << "exit code " << exitCode << "\n" << childOutput;
    for (const std::string& test : mustRun) {
        // Skipped is not passed: the child must have run the test.
        if (childOutput.find("[       OK ] " + test + " (") == std::string::npos)
            return testing::AssertionFailure() << test << " did not pass\n" << childOutput;
    }
    if (childOutput.find("SKIPPED") != std::string::npos)
        return testing::AssertionFailure() << "a test skipped itself\n" << childOutput;
    return testing::AssertionSuccess();
}

}  // namespace pallisar::test
