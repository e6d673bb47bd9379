// Whether another program runs with more rights than this one: keys typed
// into an elevated program's windows never reach them.
#include "platform/win32/backend.h"
#include "platform/win32/handles.h"

#include <vector>

namespace {
// The integrity level of a process's token (low, medium, high, system).
bool integrity_of(HANDLE token, DWORD* level) {
    DWORD size = 0;
    GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    if (!size || !GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size))
        return false;
    const auto* label = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data());
    const UCHAR count = *GetSidSubAuthorityCount(label->Label.Sid);
    *level = count ? *GetSidSubAuthority(label->Label.Sid, count - 1u) : 0;
    return true;
}
} // namespace

bool runs_with_more_rights(HANDLE process) {
    const ProcessToken theirs(process);
    if (!theirs) return GetLastError() == ERROR_ACCESS_DENIED;
    const ProcessToken ours(GetCurrentProcess());
    DWORD their_level = 0, our_level = 0;
    return ours && integrity_of(theirs.get(), &their_level) &&
           integrity_of(ours.get(), &our_level) && their_level > our_level;
}
