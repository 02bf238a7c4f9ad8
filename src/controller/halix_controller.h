// HalixController: the one object that carries the utility. It holds the window's controls,
// the card's configuration record and the handles of the utility driver and authorization.
#pragma once

#include "controller/flash_image.h"
#include "controller/pause.h"
#include "nvram/nvram.h"
#include "platform/appkit.h"
#include "platform/authorization.h"
#include "platform/foundation.h"
#include "platform/interruptions.h"
#include "platform/iokit.h"
#include "platform/utility_driver_protocol.h"
#include "settings_model/record_settings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace halix {

namespace testing {
struct ControllerAccess;
} // namespace testing

// What the controller needs from the platform. Everything is owned by the composition root
// and outlives the controller.
struct Platform {
    IOKit& iokit;
    Authorization& authorization;
    Application& application;
    Foundation& foundation;
    Pause pause = countedPause;
    // Held from the person's go-ahead until a change of the card has its outcome logged.
    Interruptions& interruptions = noInterruptions();
};

class HalixController {
public:
    explicit HalixController(Platform platform);
    ~HalixController() = default;
    // The front ends hold pointers to the controller and its outlets: it stays where it is.
    HalixController(const HalixController&) = delete;
    HalixController& operator=(const HalixController&) = delete;
    HalixController(HalixController&&) = delete;
    HalixController& operator=(HalixController&&) = delete;

    // The single outlets, connected by the front ends by name (the per-target arrays are
    // filled by tag at start-up).
    struct Outlet {
        std::string_view name;
        ControlRef HalixController::*member;
    };
    static const std::array<Outlet, 12> kOutlets;

    // The single outlet `name`; null for an unknown name.
    ControlRef* outlet(std::string_view name);

    // Start-up, once, after the outlets are connected.
    void awakeFromNib();

    // The window's delegate question: saves the record and ends the application. Answers
    // false, keeping the window open, when the record could not be written.
    bool windowShouldClose(const void* sender);

    // The window's buttons.
    void act_cancel(const void* sender);
    void act_default(const void* sender);
    void act_write(const void* sender);
    void act_erase(const void* sender);
    // Copies the person keeps: the settings shown, saved and loaded back; the flash read out
    // into a file, or checked against an image. None of them writes to the card.
    void act_saveSettings(const void* sender);
    void act_loadSettings(const void* sender);
    void act_saveFlash(const void* sender);
    void act_verifyFlash(const void* sender);

    // The password panel's buttons.
    void dlgOk(const void* sender);
    void dlgCancel(const void* sender);

    // The utility driver. Each command opens its own connection, makes one user-client
    // call and closes it again; each returns true only when the connection opened and the
    // call succeeded (and, for a record, delivered all 64 bytes).
    void getPort();
    // Spelled as the interface names it ("rerease"), as are the two version outlets below
    // ("Configration", "Configurateion"): the window and its interface file bind by these
    // names, so they stay as they are.
    void rereasePort();
    bool doGetEEPConfig();
    bool doSetEEPConfig();
    bool doGetEEPDefault();
    bool doEraseFlash();
    bool doReadFlash(std::uint8_t* data);
    bool doWriteFlash(const std::uint8_t* data);

    // The window binding, record to controls and controls to record.
    void setConfigWindow();
    void getConfigWindow();
    // The record as the window shows it: mNvram with the controls stored into a copy, its
    // checksum updated. Neither mNvram nor the window changes.
    [[nodiscard]] NVRAM windowRecord() const;
    // The record the card holds as far as the utility knows: read whole at start-up or last
    // written; nullopt when a read or a write failed, since the card may then hold anything.
    [[nodiscard]] const std::optional<NVRAM>& cardRecord() const { return mCardRecord; }
    // How the flash differed from the file of the last Verify Flash; nullopt when it matched
    // or no verification compared them.
    [[nodiscard]] const std::optional<ImageMismatch>& lastMismatch() const { return mLastMismatch; }
    // True when closing would change the card: the window's settings (windowRecord()) differ
    // from cardRecord(), or what the card holds is unknown. The checksum byte is left out, so
    // that a record read with a wrong checksum does not count as edited.
    [[nodiscard]] bool windowEdited() const;
    // True while record() was not read whole from the card (and neither restored nor loaded
    // since): it is not the card's, and closing will not write it.
    [[nodiscard]] bool recordUnread() const { return mRecordUnread; }

    // True when no SCSI device hangs on the card's normal driver.
    bool canUnloadDriver();

    // Runs `command` through the shell with standard error joined to standard output and
    // returns the number of complete output lines.
    int execLog(const char* command);
    int doExecLog(const char* commandLine);
    // Runs `tool` with administrator rights and copies its output to the system log.
    // False when the privileged start was refused.
    bool authLog(const char* tool, const char* const* arguments);

    // The version text of the loaded driver whose module-status line contains `targetDriver`,
    // "0" when none is found.
    std::string getBiosVersion(const char* targetDriver);

    // The outlets: the window, its settings, the version fields and the password panel.
    ControlRef out_window;
    ControlRef out_hostSCSIID;
    ControlRef out_parity;
    ControlRef out_SCSITerminators_0;
    ControlRef out_SCSITerminators_1;
    ControlRef out_SCSITerminators_2;
    ControlRef out_SCSITerminators_3;
    // The per-target controls, one row of kTargetCount for each of kTargetSettings (indexed by
    // TargetSetting), found by tag at start-up; the interface's four columns also by their
    // outlet names.
    std::array<std::array<ControlRef, kTargetCount>, kTargetSettingCount> mTargetControls{};
    std::array<ControlRef, kTargetCount>& out_disconnect =
        targetControls(TargetSetting::Disconnect);
    std::array<ControlRef, kTargetCount>& out_maxTransfer =
        targetControls(TargetSetting::MaxTransfer);
    std::array<ControlRef, kTargetCount>& out_syncTransfer = targetControls(TargetSetting::Sync);
    std::array<ControlRef, kTargetCount>& out_wideTransfer = targetControls(TargetSetting::Wide);
    // The interface's own spellings; see rereasePort.
    ControlRef out_verSCSIConfigration;
    ControlRef out_verConfigurateionDriver;
    ControlRef out_verSCSIBIOS;
    ControlRef dlgPassword;
    ControlRef txtPassword;

    // The controller's own state, changed by its methods only.
    [[nodiscard]] const NVRAM& record() const { return mNvram; }
    [[nodiscard]] AuthorizationRef authorizationRef() const { return mAuthRef; }
    [[nodiscard]] io_connect_t dataPort() const { return mDataPort; }

private:
    // Tests set up the state a scenario starts from through it.
    friend struct testing::ControllerAccess;

    io_object_t mDeviceRef = 0;
    io_connect_t mDataPort = 0;
    NVRAM mNvram{};
    AuthorizationRef mAuthRef = nullptr;

    // The row of per-target controls of the setting `key`.
    std::array<ControlRef, kTargetCount>& targetControls(TargetSetting key) {
        return mTargetControls.at(static_cast<std::size_t>(key));
    }
    // The control that shows `setting` (for a Choice, its button `button`) of `target`.
    [[nodiscard]] ControlRef settingControl(const RecordSetting& setting, int target,
                                            std::size_t button = 0) const;

    [[nodiscard]] bool terminating() const { return mPlatform.application.isTerminating(); }
    std::string localized(const char* key) const;
    // The alert of the utility: localized title and message, literal buttons.
    int alert(const std::string& message, const char* alternateButton = nullptr);
    // One "OK" alert, then the application is asked to end.
    void alertAndTerminate(const char* key);
    void pause(std::uint32_t limit) const { mPlatform.pause(limit); }

    // Start-up steps. handOverDriver answers false when the application is ending.
    bool handOverDriver();
    bool pathTestPasses(const std::string& bundlePath);
    void setUpAuthorization();
    void findTargetControls(ControlRef container);

    // The image file whole, or nullopt when it cannot be written to the flash: unreadable,
    // no regular file, empty, longer than one pass carries or holding more than the flash keeps.
    // `refusal` then holds the alert's message, which names the file.
    [[nodiscard]] std::optional<std::vector<std::uint8_t>> readImage(const std::string& path,
                                                                     std::string& refusal) const;
    // One read pass, as an update reads back: the 17 chunks into `readData` (which holds
    // kImageBufferSize bytes), then the pause that follows a pass. True when every chunk
    // arrived whole. The caller checks terminating() before anything else.
    bool readFlashPass(std::vector<std::uint8_t>& readData);
    // One read pass for a copy or a check: what it read, or nullopt when the application
    // ends or a chunk did not arrive (the person has been told then).
    std::optional<std::vector<std::uint8_t>> readFlashWhole();
    // The file the person chose in a panel for `purpose` starting in the home directory;
    // nullopt when the panel was cancelled. An open panel offers files of `types` first; a
    // save panel proposes `proposedName`.
    std::optional<std::string> chooseFileToOpen(FilePurpose purpose,
                                                const std::vector<std::string>& types);
    std::optional<std::string> chooseFileToSave(FilePurpose purpose, const char* proposedName);
    // Writes `bytes` to `path` and tells the person how it went: `savedKey` followed by the
    // path, or "MSG_SAVEFILEFAIL" followed by the reason.
    void saveToFile(const std::string& path, std::span<const std::uint8_t> bytes,
                    const char* savedKey);

    // One user-client call on a fresh connection; false when it could not be made.
    bool callWithStructureIn(std::uint32_t selector, const std::uint8_t* input, std::uint32_t size);
    bool callWithStructureOut(std::uint32_t selector, std::uint8_t* output, std::uint32_t size);

    Platform mPlatform;
    // The record held in mNvram was not read whole from the card: it must not be written
    // back until the defaults replace it.
    bool mRecordUnread = false;
    std::optional<NVRAM> mCardRecord;
    std::optional<ImageMismatch> mLastMismatch;
};

} // namespace halix
