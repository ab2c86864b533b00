// This project's stand-in for the Security framework's authorisation services, through which a tool
// is started with administrator rights after the user authenticates. The authentication dialog is
// answered by whoever the host (or a test) installs as the user; without one nobody can answer and
// the request is cancelled. An authorised tool is started for real, as this process's user (only a
// process that is root already can hand root on), and runs on its own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

typedef std::int32_t OSStatus;
typedef std::uint32_t AuthorizationFlags;
typedef char const* AuthorizationString;

constexpr OSStatus errAuthorizationSuccess = 0;
constexpr OSStatus errAuthorizationInvalidRef = -60002;
constexpr OSStatus errAuthorizationDenied = -60005;
constexpr OSStatus errAuthorizationCanceled = -60006;
constexpr OSStatus errAuthorizationToolExecuteFailure = -60031;

constexpr AuthorizationFlags kAuthorizationFlagDefaults = 0;
constexpr AuthorizationFlags kAuthorizationFlagInteractionAllowed = 1u << 0;
constexpr AuthorizationFlags kAuthorizationFlagExtendRights = 1u << 1;
constexpr AuthorizationFlags kAuthorizationFlagPreAuthorize = 1u << 4;

// The name of the environment item that carries the dialog's prompt.
#define kAuthorizationEnvironmentPrompt "prompt"
#define kAuthorizationRightExecute "system.privilege.admin"

struct AuthorizationItem
{
    AuthorizationString name;
    std::size_t valueLength;
    void* value;
    std::uint32_t flags;
};

struct AuthorizationItemSet
{
    std::uint32_t count;
    AuthorizationItem* items;
};

typedef AuthorizationItemSet AuthorizationRights;
typedef AuthorizationItemSet AuthorizationEnvironment;

struct AuthorizationOpaqueRef;
typedef AuthorizationOpaqueRef const* AuthorizationRef;

OSStatus AuthorizationCreate(AuthorizationRights const* rights, AuthorizationEnvironment const* environment,
                             AuthorizationFlags flags, AuthorizationRef* authorization);
OSStatus AuthorizationFree(AuthorizationRef authorization, AuthorizationFlags flags);
// Shows the dialog (when interaction is allowed and a right is asked for) with the environment's
// prompt; errAuthorizationCanceled when the user cancels or nobody answers.
OSStatus AuthorizationCopyRights(AuthorizationRef authorization, AuthorizationRights const* rights,
                                 AuthorizationEnvironment const* environment, AuthorizationFlags flags,
                                 AuthorizationRights** authorizedRights);
// Starts the tool with the null-terminated arguments; the reference must hold the execute right.
OSStatus AuthorizationExecuteWithPrivileges(AuthorizationRef authorization, char const* pathToTool,
                                            AuthorizationFlags options, char* const* arguments, void** communicationsPipe);

// Not platform calls: the user who answers the authentication dialog. The answer is true to
// authenticate, false to cancel; it receives the prompt text as shown (empty without one). Null
// leaves the dialog without anyone to answer it.
void SecurityStandInSetUser(std::function<bool(std::string const& prompt)> user);
