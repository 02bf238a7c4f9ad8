// Fuzzes the version probe: the line parser on every line of the input, and the whole
// getBiosVersion over a fake authorization whose module status tool prints the input.
#include "controller/halix_controller.h"
#include "controller/version_text.h"
#include "fakes/controller_access.h"
#include "fakes/fake_application.h"
#include "fakes/fake_authorization.h"
#include "fakes/fake_foundation.h"
#include "fakes/fake_iokit.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using halix::fuzz::check;

void parseLine(std::string_view line) {
    const std::optional<std::string> version = halix::versionInLine(line);
    if (!version) {
        return;
    }
    check(version->size() <= halix::kMaxVersionLength, "a version is at most 255 bytes");
    check(version->find(')') == std::string::npos, "a version holds no closing parenthesis");
    check(line.find("(" + *version + ")") != std::string_view::npos,
          "a version stands in parentheses in its line");
}

void probe(std::string_view output) {
    halix::testing::FakeIOKit iokit;
    halix::testing::FakeAuthorization authorization;
    halix::testing::FakeApplication application;
    halix::testing::FakeFoundation foundation;
    authorization.toolOutput = {{"/usr/sbin/kmodstat", std::string(output)}};
    halix::HalixController controller(
        halix::Platform{iokit, authorization, application, foundation, [](std::uint32_t) {}});
    authorization.AuthorizationCreate(nullptr, nullptr, 0,
                                      &halix::testing::ControllerAccess::authRef(controller));
    const std::string version = controller.getBiosVersion("com.morvane.driver.OrbaHalix (");
    check(version == "0" || version.size() <= halix::kMaxVersionLength,
          "the probe answers a bounded version");
    check(version == "0" || output.find("(" + version + ")") != std::string_view::npos,
          "the probe's version comes from the output");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start < input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos) {
            end = input.size();
        }
        parseLine(input.substr(start, end - start));
        start = end + 1;
    }
    probe(input);
    return 0;
}
