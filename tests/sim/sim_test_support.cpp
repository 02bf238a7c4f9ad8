#include "sim/sim_test_support.h"

#include "sim/state/factory_settings.h"
#include "sim/tools/kext_tools.h"
#include "support/file_text.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace halix::sim::test {

namespace fs = std::filesystem;

std::string toolExecutable() {
    const char* build = std::getenv("HALIX_BUILD_DIR"); // NOLINT(concurrency-mt-unsafe)
    const fs::path link = fs::path(build != nullptr ? build : ".") / "bin" / "halix-sim";
    std::error_code failure;
    const fs::path real = fs::canonical(link, failure);
    EXPECT_FALSE(failure) << link << " is missing; build halix-sim first";
    return real.string();
}

std::unique_ptr<Machine> openMachine(const std::string& directory) {
    std::string error;
    std::unique_ptr<Machine> machine =
        machineOrNull(Machine::open(directory, toolExecutable()), error);
    EXPECT_TRUE(machine) << error;
    return machine;
}

std::unique_ptr<Machine> machineOrNull(Result<std::unique_ptr<Machine>> opened,
                                       std::string& error) {
    if (!opened) {
        error = opened.error().message();
        return nullptr;
    }
    return std::move(*opened);
}

std::map<std::string, std::string> snapshotFiles(const std::string& directory) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(directory)) {
        const std::string relative = fs::relative(entry.path(), directory).string();
        if (entry.is_symlink()) {
            files[relative] = "-> " + fs::read_symlink(entry.path()).string();
        } else if (entry.is_regular_file() && relative != "lock" && relative != "session") {
            files[relative] = readText(entry.path().string());
        }
    }
    return files;
}

std::string readText(const std::string& path) {
    return halix::test::readFileText(path);
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
}

void writeKext(const std::string& path, const std::string& identifier, const std::string& version,
               const std::string& ioClass) {
    fs::create_directories(path + "/Contents");
    writeText(path + "/Contents/Info.plist",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
              "<key>CFBundleIdentifier</key><string>" +
                  identifier +
                  "</string>"
                  "<key>CFBundleVersion</key><string>" +
                  version +
                  "</string>"
                  "<key>IOClass</key><string>" +
                  ioClass + "</string></dict></plist>\n");
}

void loadUtilityDriver(Machine& machine, const std::string& scratch) {
    const std::string kext = scratch + "/ORBA Test DRVR.kext";
    writeKext(kext, "com.morvane.iokit.halixutl.drvr", "1.0.0", std::string(kUtilityDriverClass));
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(runKextTool(machine, *toolByName("kextload"), {kext}, out, err), 0) << err.str();
}

std::vector<std::string> journalLines(const std::string& machineDirectory) {
    std::istringstream journal(readText(machineDirectory + "/journal.log"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(journal, line);) {
        lines.push_back(line);
    }
    return lines;
}

AuthenticationOutcome
ScriptedPrompt::authenticate(const std::function<bool(std::string_view)>& isAdministratorPassword,
                             std::string_view givenNote) {
    ++mAsked;
    note = givenNote;
    if (mAnswers.empty()) {
        return AuthenticationOutcome::Cancelled;
    }
    const Answer answer = mAnswers.front();
    mAnswers.pop_front();
    if (answer.outcomeIfChecked == AuthenticationOutcome::Cancelled) {
        return AuthenticationOutcome::Cancelled;
    }
    return isAdministratorPassword(answer.password) ? AuthenticationOutcome::Granted
                                                    : AuthenticationOutcome::Refused;
}

template <typename Call> kern_return_t CardCall::withConnection(Call call) {
    mach_port_t master = 0;
    kern_return_t status = iokit.IOMasterPort(MACH_PORT_NULL, &master);
    if (status != KERN_SUCCESS) {
        return status;
    }
    io_iterator_t iterator = 0;
    status = iokit.IOServiceGetMatchingServices(
        master, iokit.IOServiceMatching(std::string(kUtilityDriverClass).c_str()), &iterator);
    io_service_t service = 0;
    for (io_object_t next = 0;
         status == KERN_SUCCESS && (next = iokit.IOIteratorNext(iterator)) != 0;) {
        if (service != 0) {
            iokit.IOObjectRelease(service);
        }
        service = next;
    }
    io_connect_t connection = 0;
    if (status == KERN_SUCCESS) {
        status = service == 0
                     ? kIOReturnNotOpen
                     : iokit.IOServiceOpen(service, iokit.mach_task_self(), 0, &connection);
    }
    if (status == KERN_SUCCESS) {
        status = call(connection);
        iokit.IOServiceClose(connection);
    }
    if (service != 0) {
        iokit.IOObjectRelease(service);
    }
    if (iterator != 0) {
        iokit.IOObjectRelease(iterator);
    }
    iokit.mach_port_deallocate(iokit.mach_task_self(), master);
    return status;
}

kern_return_t CardCall::input(std::uint32_t selector, const std::uint8_t* data,
                              std::uint32_t size) {
    return withConnection([&](io_connect_t connection) {
        return iokit.io_connect_method_scalarI_structureI(connection, selector, nullptr, 0, data,
                                                          size);
    });
}

kern_return_t CardCall::output(std::uint32_t selector, std::uint8_t* data, std::uint32_t* size) {
    return withConnection([&](io_connect_t connection) {
        return iokit.io_connect_method_scalarI_structureO(connection, selector, nullptr, 0, data,
                                                          size);
    });
}

} // namespace halix::sim::test
