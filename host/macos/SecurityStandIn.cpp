// The authorisation stand-in: a dialog answered by an installed user, and tools started with fork
// and exec.
#include "SecurityStandIn.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

struct AuthorizationOpaqueRef
{
    bool fMayExecute = false;
};

namespace
{
std::mutex sMutex;
std::function<bool(std::string const&)> sUser;

bool HasRight(AuthorizationRights const* rights, char const* name)
{
    for (std::uint32_t i = 0; rights && i < rights->count; ++i)
    {
        if (rights->items[i].name && std::strcmp(rights->items[i].name, name) == 0)
            return true;
    }
    return false;
}

std::string PromptOf(AuthorizationEnvironment const* environment)
{
    for (std::uint32_t i = 0; environment && i < environment->count; ++i)
    {
        AuthorizationItem const& item = environment->items[i];
        if (item.name && std::strcmp(item.name, kAuthorizationEnvironmentPrompt) == 0 && item.value)
            return std::string(static_cast<char const*>(item.value), item.valueLength);
    }
    return std::string();
}
} // namespace

OSStatus AuthorizationCreate(AuthorizationRights const*, AuthorizationEnvironment const*, AuthorizationFlags,
                             AuthorizationRef* authorization)
{
    if (!authorization)
        return errAuthorizationInvalidRef;
    *authorization = new AuthorizationOpaqueRef;
    return errAuthorizationSuccess;
}

OSStatus AuthorizationFree(AuthorizationRef authorization, AuthorizationFlags)
{
    if (!authorization)
        return errAuthorizationInvalidRef;
    delete authorization;
    return errAuthorizationSuccess;
}

OSStatus AuthorizationCopyRights(AuthorizationRef authorization, AuthorizationRights const* rights,
                                 AuthorizationEnvironment const* environment, AuthorizationFlags flags,
                                 AuthorizationRights** authorizedRights)
{
    if (!authorization)
        return errAuthorizationInvalidRef;
    if (authorizedRights)
        *authorizedRights = nullptr;
    if (!HasRight(rights, kAuthorizationRightExecute))
        return errAuthorizationSuccess;
    if (!(flags & kAuthorizationFlagInteractionAllowed))
        return errAuthorizationDenied;
    std::function<bool(std::string const&)> user;
    {
        std::lock_guard<std::mutex> lock(sMutex);
        user = sUser;
    }
    if (!user || !user(PromptOf(environment)))
        return errAuthorizationCanceled;
    const_cast<AuthorizationOpaqueRef*>(authorization)->fMayExecute = true;
    return errAuthorizationSuccess;
}

OSStatus AuthorizationExecuteWithPrivileges(AuthorizationRef authorization, char const* pathToTool,
                                            AuthorizationFlags, char* const* arguments, void** communicationsPipe)
{
    if (!authorization || !pathToTool)
        return errAuthorizationInvalidRef;
    if (!authorization->fMayExecute)
        return errAuthorizationDenied;
    if (communicationsPipe)
        *communicationsPipe = nullptr;
    std::vector<char*> argv{const_cast<char*>(pathToTool)};
    for (char* const* argument = arguments; argument && *argument; ++argument)
        argv.push_back(*argument);
    argv.push_back(nullptr);
    // The tool is started by a short-lived child so that it runs on its own and leaves no process to
    // collect; a pipe that closes on exec tells whether the exec worked.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return errAuthorizationToolExecuteFailure;
    pid_t const child = fork();
    if (child == 0)
    {
        if (fork() == 0)
        {
            execv(pathToTool, argv.data());
            int const error = errno;
            (void)!write(report[1], &error, sizeof error);
            _exit(127);
        }
        _exit(0);
    }
    close(report[1]);
    if (child > 0)
        waitpid(child, nullptr, 0);
    int error = 0;
    ssize_t const reported = child > 0 ? read(report[0], &error, sizeof error) : 1;
    close(report[0]);
    if (reported != 0)
        return errAuthorizationToolExecuteFailure;
    return errAuthorizationSuccess;
}

void SecurityStandInSetUser(std::function<bool(std::string const&)> user)
{
    std::lock_guard<std::mutex> lock(sMutex);
    sUser = std::move(user);
}
