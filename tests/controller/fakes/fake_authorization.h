// The authorization service as controller tests see it: rights granted or not, and tools
// whose output is preset text, each run recorded with its arguments.
#pragma once

#include "platform/authorization.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace halix::testing {

struct PrivilegedRun {
    std::string tool;
    std::vector<std::string> arguments;
};

struct RightsRequest {
    AuthorizationFlags flags;
    bool withEnvironment;
    std::vector<std::string> environmentValues; // one per item, "" for an empty value
};

class FakeAuthorization : public Authorization {
public:
    bool rightGranted = true;
    std::map<std::string, std::string> toolOutput; // tools that exist, and what they print

    std::vector<PrivilegedRun> runs;    // started runs
    std::vector<PrivilegedRun> refused; // refused starts
    std::vector<RightsRequest> requests;
    int created = 0;

    OSStatus AuthorizationCreate(const AuthorizationRights* /*rights*/,
                                 const AuthorizationEnvironment* /*environment*/,
                                 AuthorizationFlags /*flags*/,
                                 AuthorizationRef* authorization) override {
        ++created;
        *authorization = reinterpret_cast<AuthorizationRef>(&token_);
        return errAuthorizationSuccess;
    }
    OSStatus AuthorizationCopyRights(AuthorizationRef /*authorization*/,
                                     const AuthorizationRights* /*rights*/,
                                     const AuthorizationEnvironment* environment,
                                     AuthorizationFlags flags,
                                     AuthorizationRights** /*authorizedRights*/) override {
        RightsRequest request{flags, environment != nullptr, {}};
        if (environment != nullptr) {
            for (std::uint32_t i = 0; i < environment->count; ++i) {
                const AuthorizationItem& item = environment->items[i];
                request.environmentValues.push_back(
                    item.value == nullptr
                        ? std::string()
                        : std::string(static_cast<const char*>(item.value), item.valueLength));
            }
        }
        requests.push_back(request);
        return rightGranted ? errAuthorizationSuccess : errAuthorizationDenied;
    }
    OSStatus AuthorizationExecuteWithPrivileges(AuthorizationRef authorization,
                                                const char* pathToTool,
                                                AuthorizationFlags /*options*/,
                                                const char* const* arguments,
                                                FilePtr* communicationsPipe) override {
        PrivilegedRun run{pathToTool, {}};
        for (const char* const* argument = arguments; *argument != nullptr; ++argument) {
            run.arguments.emplace_back(*argument);
        }
        const auto output = toolOutput.find(pathToTool);
        if (authorization == nullptr || !rightGranted || output == toolOutput.end()) {
            refused.push_back(run);
            return errAuthorizationToolExecuteFailure;
        }
        runs.push_back(run);
        FilePtr stream(std::tmpfile());
        std::fwrite(output->second.data(), 1, output->second.size(), stream.get());
        std::rewind(stream.get());
        *communicationsPipe = std::move(stream);
        return errAuthorizationSuccess;
    }

    std::vector<std::string> toolsRun() const {
        std::vector<std::string> tools;
        for (const auto& run : runs) {
            tools.push_back(run.tool);
        }
        return tools;
    }

private:
    int token_ = 0;
};

} // namespace halix::testing
