#include "gui/display_guard.h"

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace halix {

namespace {

// The platforms that draw on a display server; every other one (offscreen, minimal, vnc,
// eglfs, linuxfb…) needs none.
bool needsDisplayServer(std::string_view platform) {
    // "xcb:option=…" carries options; "wayland;xcb" is a list of fallbacks, the first tried first.
    platform = platform.substr(0, platform.find_first_of(":;"));
    return platform.empty() || platform == "xcb" || platform.starts_with("wayland");
}

struct HeldMessage {
    QtMsgType type;
    QString category;
    QString text;
};

std::mutex gHeldMutex;
std::vector<HeldMessage> gHeld;

void holdOrFail(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        // Nothing is left to do if the line cannot be written: the program ends either way.
        (void)std::fprintf(stderr, "%.*s\n", static_cast<int>(kNoDisplayLine.size()),
                           kNoDisplayLine.data());
        (void)std::fflush(stderr);
        std::_Exit(1);
    }
    const std::scoped_lock lock(gHeldMutex);
    gHeld.push_back({type, QString::fromUtf8(context.category ? context.category : ""), text});
}

} // namespace

bool displayExpected(int argc, const char* const* argv, const EnvironmentLookup& environment) {
    const auto value = [&environment](const char* name) {
        const char* text = environment(name);
        return std::string_view(text != nullptr ? text : "");
    };
    std::string_view platform = value("QT_QPA_PLATFORM");
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if ((argument == "-platform" || argument == "--platform") && i + 1 < argc) {
            platform = argv[i + 1];
        }
    }
    if (!needsDisplayServer(platform)) {
        return true;
    }
    return !value("DISPLAY").empty() || !value("WAYLAND_DISPLAY").empty();
}

DisplayFailureGuard::DisplayFailureGuard() : mPrevious(qInstallMessageHandler(holdOrFail)) {}

DisplayFailureGuard::~DisplayFailureGuard() {
    qInstallMessageHandler(mPrevious);
    std::vector<HeldMessage> held;
    {
        const std::scoped_lock lock(gHeldMutex);
        held.swap(gHeld);
    }
    for (const HeldMessage& message : held) {
        const QByteArray category = message.category.toUtf8();
        const QMessageLogContext context(nullptr, 0, nullptr, category.constData());
        qt_message_output(message.type, context, message.text);
    }
}

} // namespace halix
