#include "startup/RegStuff.h"

#include "core/Failure.h"

namespace kelbrook::RegStuff {

std::wstring RunValueName(const std::wstring& executablePath) {
    const std::size_t slash = executablePath.find_last_of(L"\\/");
    return slash == std::wstring::npos ? executablePath : executablePath.substr(slash + 1);
}

std::wstring RunValueData(const std::wstring& executablePath) {
    return L"\"" + executablePath + L"\"";
}

void AddRunEntry(RunKey& runKey, const std::wstring& executablePath) {
    const std::wstring name = RunValueName(executablePath);
    const std::wstring data = RunValueData(executablePath);
    if (runKey.SetValue(RunKeyScope::Machine, name, data)) return;
    // Without administrator rights the machine's key stays closed; the user's key starts the
    // program at this user's logons, which is what the ticked box promises.
    if (runKey.SetValue(RunKeyScope::User, name, data)) return;
    throw Failure(L"The program could not be registered to start with Windows: the Run value " +
                  name + L" could not be written");
}

void DeleteRunEntry(RunKey& runKey, const std::wstring& valueName) {
    const bool machineClear = runKey.DeleteValue(RunKeyScope::Machine, valueName);
    const bool userClear = runKey.DeleteValue(RunKeyScope::User, valueName);
    if (machineClear && userClear) return;
    throw Failure(L"The Run value " + valueName + L" could not be deleted from the " +
                  (machineClear ? L"current user's" : L"machine's") + L" Run key");
}

}  // namespace kelbrook::RegStuff
