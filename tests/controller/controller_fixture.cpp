#include "controller_fixture.h"

#include <fstream>

namespace halix::testing {

ControllerTest::ControllerTest()
    : bundleDir(std::filesystem::path(scratch.path()) / "Halix Utility.app"),
      controller(Platform{iokit, authorization, app, foundation, [this](std::uint32_t limit) {
                              pauses.push_back(limit);
                              pauseMoments.push_back({limit, iokit.calls.size(),
                                                      authorization.requests.size() +
                                                          authorization.runs.size() +
                                                          authorization.refused.size()});
                          }}) {
    std::filesystem::create_directories(bundleDir / "Contents/Resources");
    foundation.bundle.path = bundleDir.string();
    foundation.dictionaries[foundation.bundle.path +
                            "/Contents/Resources/ORBA_Halix_DRVR_X.kext/Contents/Info.plist"] = {
        {"CFBundleVersion", "1.0.0d4"}};
    authorization.toolOutput = {{"/usr/sbin/kmodstat", kProbeOutput},
                                {"/usr/sbin/kextstat", kProbeOutput},
                                {"/sbin/kextunload", "unloaded\n"},
                                {"/sbin/kextload", "loaded\n"}};
    setTestProgramLines(10);
    window.connect(controller);
}

void ControllerTest::setTestProgramLines(int lines) {
    const auto program = bundleDir / "Contents/Resources/test";
    std::filesystem::remove(program);
    if (lines < 0) {
        return;
    }
    std::ofstream script(program);
    script << "#!/bin/sh\n";
    for (int line = 0; line < lines; ++line) {
        script << "echo line " << line << (line % 2 == 0 ? "" : " >&2") << "\n";
    }
    script.close();
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
}

void ControllerTest::start() {
    controller.awakeFromNib();
}

NVRAM ControllerTest::cardRecord() const {
    NVRAM record{};
    std::copy_n(iokit.eeprom.begin(), kNvramSize, record.bytes().begin());
    return record;
}

void ControllerTest::setCardRecord(const NVRAM& record) {
    iokit.eeprom.assign(record.bytes().begin(), record.bytes().end());
}

int ControllerTest::countPauses(std::uint32_t limit) const {
    return static_cast<int>(std::count(pauses.begin(), pauses.end(), limit));
}

} // namespace halix::testing
