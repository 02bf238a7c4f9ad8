// The keys of the message table. Their texts live in the bundle's Localizable.strings.
#pragma once

#include <array>
#include <string_view>

namespace halix::msg {

inline constexpr const char* APPNAME = "MSG_APPNAME";
inline constexpr const char* WARN = "MSG_WARN";
inline constexpr const char* PATHERROR = "MSG_PATHERROR";
inline constexpr const char* CHECKPATH = "MSG_CHECKPATH";
inline constexpr const char* START = "MSG_START";
inline constexpr const char* SUCCESS = "MSG_SUCCESS";
inline constexpr const char* SLOTERROR = "MSG_SLOTERROR";
inline constexpr const char* INITIALIZE = "MSG_INITIALIZE";
inline constexpr const char* ERASE = "MSG_ERASE";
inline constexpr const char* WRITE = "MSG_WRITE";
inline constexpr const char* WRITESTART = "MSG_WRITESTART";
inline constexpr const char* WRITEFAIL = "MSG_WRITEFAIL";
// The image file could no longer be read after an attempt: the update ends as a failed one.
inline constexpr const char* WRITESTOPPED = "MSG_WRITESTOPPED";
inline constexpr const char* WRITESUCCESS = "MSG_WRITESUCCESS";
// The record could not be written when the window closed; the window stays open.
inline constexpr const char* SAVEFAIL = "MSG_SAVEFAIL";
// The record could not be read at start-up; it will not be written back.
inline constexpr const char* READFAIL = "MSG_READFAIL";
// Closing after an unread record: nothing was written.
inline constexpr const char* NOTSAVED = "MSG_NOTSAVED";
// The chosen image file is no regular file; followed by its path.
inline constexpr const char* FILEERROR = "MSG_FILEERROR";
// The chosen image file is empty; followed by its path.
inline constexpr const char* IMAGEEMPTY = "MSG_IMAGEEMPTY";
// The chosen image file is longer than an image may be; followed by "PATH: " and its size.
inline constexpr const char* IMAGETOOLARGE = "MSG_IMAGETOOLARGE";
// The erase command failed.
inline constexpr const char* ERASEFAIL = "MSG_ERASEFAIL";
// Another session of the utility holds the card; followed by its process id.
inline constexpr const char* INUSE = "MSG_INUSE";
// The image file holds bytes past the flash that are not 0xFF: the card cannot keep them, so
// the image could never verify.
inline constexpr const char* IMAGETAIL = "MSG_IMAGETAIL";

// Messages followed by details end in a way that lets the details follow (": ").
// The settings were not saved: the record shown was not read whole from the card.
inline constexpr const char* SETTINGSUNREAD = "MSG_SETTINGSUNREAD";
// The chosen file is not a 64-byte record with a valid checksum.
inline constexpr const char* SETTINGSINVALID = "MSG_SETTINGSINVALID";
// A chunk of a read pass did not arrive: nothing is saved or compared.
inline constexpr const char* FLASHREADFAIL = "MSG_FLASHREADFAIL";
inline constexpr const char* FLASHMATCH = "MSG_FLASHMATCH";
// Followed by the first differing offset and the number of differing bytes.
inline constexpr const char* FLASHDIFFERS = "MSG_FLASHDIFFERS";
// Followed by "PATH: " and the reason in the system's words.
inline constexpr const char* SAVEFILEFAIL = "MSG_SAVEFILEFAIL";
// The chosen file could not be read; followed by "PATH: " and the reason in the system's words.
inline constexpr const char* READFILEFAIL = "MSG_READFILEFAIL";
// Followed by the path of the saved file.
inline constexpr const char* SETTINGSSAVED = "MSG_SETTINGSSAVED";
inline constexpr const char* FLASHSAVED = "MSG_FLASHSAVED";

// What an alert whose message starts with a key tells: a failure (the card not reachable or
// in use, the configuration not read or not written, the flash not written, verified, read or
// erased, or a file refused), a success (a job done), or neither (a question, a notice).
// APPNAME titles every alert and CHECKPATH only follows PATHERROR, so neither is listed.
enum class Tells { Failure, Success, Neither };

struct AlertMessage {
    const char* key;
    Tells tells;
};

inline constexpr auto kAlertMessages = std::to_array<AlertMessage>({
    {WARN, Tells::Failure},
    {PATHERROR, Tells::Failure},
    {START, Tells::Neither},
    {SUCCESS, Tells::Success},
    {SLOTERROR, Tells::Failure},
    {INITIALIZE, Tells::Failure},
    {ERASE, Tells::Neither},
    {WRITE, Tells::Neither},
    {WRITESTART, Tells::Neither},
    {WRITEFAIL, Tells::Failure},
    {WRITESTOPPED, Tells::Failure},
    {WRITESUCCESS, Tells::Success},
    {SAVEFAIL, Tells::Failure},
    {READFAIL, Tells::Failure},
    {NOTSAVED, Tells::Failure},
    {FILEERROR, Tells::Failure},
    {IMAGEEMPTY, Tells::Failure},
    {IMAGETOOLARGE, Tells::Failure},
    {ERASEFAIL, Tells::Failure},
    {INUSE, Tells::Failure},
    {IMAGETAIL, Tells::Failure},
    {SETTINGSUNREAD, Tells::Failure},
    {SETTINGSINVALID, Tells::Failure},
    {FLASHREADFAIL, Tells::Failure},
    {FLASHMATCH, Tells::Success},
    {FLASHDIFFERS, Tells::Failure},
    {SAVEFILEFAIL, Tells::Failure},
    {READFILEFAIL, Tells::Failure},
    {SETTINGSSAVED, Tells::Success},
    {FLASHSAVED, Tells::Success},
});

// What an alert whose message starts with `key`'s text tells; Neither for a key not listed.
constexpr Tells whatAlertTells(std::string_view key) {
    for (const AlertMessage& message : kAlertMessages) {
        if (key == message.key) {
            return message.tells;
        }
    }
    return Tells::Neither;
}

constexpr bool tellsFailure(std::string_view key) {
    return whatAlertTells(key) == Tells::Failure;
}

constexpr bool tellsSuccess(std::string_view key) {
    return whatAlertTells(key) == Tells::Success;
}

} // namespace halix::msg
