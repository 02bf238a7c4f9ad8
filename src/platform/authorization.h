// Stand-in for the authorization service: an authorization that may hold the administrator
// right, and privileged execution of tools under it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace halix {

using OSStatus = std::int32_t;
using AuthorizationFlags = std::uint32_t;

inline constexpr OSStatus errAuthorizationSuccess = 0;
inline constexpr OSStatus errAuthorizationInvalidRef = -60002;
inline constexpr OSStatus errAuthorizationDenied = -60005;
inline constexpr OSStatus errAuthorizationCanceled = -60006;
inline constexpr OSStatus errAuthorizationToolExecuteFailure = -60031;

inline constexpr AuthorizationFlags kAuthorizationFlagDefaults = 0;
inline constexpr AuthorizationFlags kAuthorizationFlagInteractionAllowed = 1U << 0U;
inline constexpr AuthorizationFlags kAuthorizationFlagExtendRights = 1U << 1U;

inline constexpr const char* kAuthorizationRightAdmin = "system.privilege.admin";

struct AuthorizationItem {
    const char* name;
    std::size_t valueLength;
    void* value;
    std::uint32_t flags;
};

struct AuthorizationItemSet {
    std::uint32_t count;
    AuthorizationItem* items;
};
using AuthorizationRights = AuthorizationItemSet;
using AuthorizationEnvironment = AuthorizationItemSet;

// Opaque: valid from AuthorizationCreate until the Authorization object that made it is gone.
struct AuthorizationOpaqueRef;
using AuthorizationRef = AuthorizationOpaqueRef*;

// Owns a stream handed back by a privileged run; closing it reaps the tool.
struct FileCloser {
    void operator()(std::FILE* stream) const { (void)std::fclose(stream); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Where a front end with translations finds an authority's note to its password request.
inline constexpr const char* kAuthenticationNoteContext = "halix::AuthenticationNote";

// The front end's way of asking the person for the administrator password.
enum class AuthenticationOutcome { Granted, Refused, Cancelled };
class AuthenticationPrompt {
public:
    virtual ~AuthenticationPrompt() = default;
    // Asks for the password and checks it with `isAdministratorPassword` (which may be
    // asked more than once). Blocks until the person has answered. `note` is what the
    // authority adds to its request (where the password comes from), in English, for the
    // front end to show beside it, translated in kAuthenticationNoteContext where it can;
    // empty for none.
    virtual AuthenticationOutcome
    authenticate(const std::function<bool(std::string_view password)>& isAdministratorPassword,
                 std::string_view note) = 0;
};

class Authorization {
public:
    virtual ~Authorization() = default;

    // Creates an authorization holding `rights` (may be null) and stores it in `authorization`.
    virtual OSStatus AuthorizationCreate(const AuthorizationRights* rights,
                                         const AuthorizationEnvironment* environment,
                                         AuthorizationFlags flags,
                                         AuthorizationRef* authorization) = 0;

    // Asks for `rights`. With kAuthorizationFlagInteractionAllowed the person may be asked
    // to authenticate; blocks meanwhile. `authorizedRights` may be null.
    virtual OSStatus AuthorizationCopyRights(AuthorizationRef authorization,
                                             const AuthorizationRights* rights,
                                             const AuthorizationEnvironment* environment,
                                             AuthorizationFlags flags,
                                             AuthorizationRights** authorizedRights) = 0;

    // Runs `pathToTool` with administrator rights and the null-terminated `arguments`
    // (the tool's own name not included; no shell takes part). On success stores a stream
    // on the tool's standard output in `communicationsPipe`. Refuses, starting nothing,
    // when the right is not held or the tool does not exist.
    virtual OSStatus AuthorizationExecuteWithPrivileges(AuthorizationRef authorization,
                                                        const char* pathToTool,
                                                        AuthorizationFlags options,
                                                        const char* const* arguments,
                                                        FilePtr* communicationsPipe) = 0;
};

} // namespace halix
