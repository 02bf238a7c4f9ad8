// The record's settings. lupdate reads the texts marked below for translation in
// kWindowTextsContext; here they are plain strings, so that this file needs no Qt.
#include "window_texts/record_settings.h"

#include "platform/hex_digits.h"
#include "window_texts/control_tags.h"

#include <algorithm>
#include <cstddef>

// Qt's own no-op marker, spelled as Qt spells it, for the one tool that reads it.
// NOLINTNEXTLINE(cppcoreguidelines-macro-usage)
#define QT_TRANSLATE_NOOP(scope, x) x

namespace halix {

namespace {

constexpr std::array<std::string_view, 2> kSwitchWords = {"off", "on"};

constexpr std::array<std::string_view, 1> kHostIdOutlet = {"out_hostSCSIID"};
constexpr std::array<std::string_view, 1> kParityOutlet = {"out_parity"};
constexpr std::array<std::string_view, 4> kTerminatorOutlets = {
    "out_SCSITerminators_0", "out_SCSITerminators_1", "out_SCSITerminators_2",
    "out_SCSITerminators_3"};
constexpr std::array<std::string_view, 4> kTerminationWords = {"automatic", "on", "low", "off"};
constexpr std::array<ControlTexts, 4> kTerminatorTexts = {{
    {QT_TRANSLATE_NOOP("halix::WindowTexts", "Automatic"),
     QT_TRANSLATE_NOOP("halix::WindowTexts", "Termination automatic"),
     QT_TRANSLATE_NOOP("halix::WindowTexts",
                       "The card enables its terminators as the bus needs them")},
    {QT_TRANSLATE_NOOP("halix::WindowTexts", "On (low and high byte)"),
     QT_TRANSLATE_NOOP("halix::WindowTexts", "Termination on (low and high byte)"),
     QT_TRANSLATE_NOOP("halix::WindowTexts", "Terminate the whole wide bus")},
    {QT_TRANSLATE_NOOP("halix::WindowTexts", "Low byte only"),
     QT_TRANSLATE_NOOP("halix::WindowTexts", "Termination low byte only"),
     QT_TRANSLATE_NOOP("halix::WindowTexts", "Terminate the narrow (low) byte of the bus only")},
    {QT_TRANSLATE_NOOP("halix::WindowTexts", "Off"),
     QT_TRANSLATE_NOOP("halix::WindowTexts", "Termination off"),
     QT_TRANSLATE_NOOP("halix::WindowTexts",
                       "The card terminates nothing: terminate the bus at its devices")},
}};

constexpr std::array<const char*, 8> kMaxTransferItems = {
    QT_TRANSLATE_NOOP("halix::WindowTexts", "80 MB/s"),
    QT_TRANSLATE_NOOP("halix::WindowTexts", "66.7 MB/s"),
    QT_TRANSLATE_NOOP("halix::WindowTexts", "40 MB/s"),
    QT_TRANSLATE_NOOP("halix::WindowTexts", "33.3 MB/s"),
    QT_TRANSLATE_NOOP("halix::WindowTexts", "20 MB/s"),
    QT_TRANSLATE_NOOP("halix::WindowTexts", "16.7 MB/s"),
    QT_TRANSLATE_NOOP("halix::WindowTexts", "13.3 MB/s"),
    QT_TRANSLATE_NOOP("halix::WindowTexts", "10 MB/s")};

constexpr std::size_t kChannelConfig = offsetof(NVRAM, SCSI0Config);

constexpr std::array<RecordSetting, 3> kChannelRows = {{
    {.word = "host-id",
     .kind = ControlKind::PopUp,
     .offset = offsetof(NVRAM, SCSI0Id),
     .mask = 0xFF,
     .itemCount = kHostIdCount,
     .valueHelp = "the host adapter's SCSI ID",
     .outlets = kHostIdOutlet,
     .texts = {QT_TRANSLATE_NOOP("halix::WindowTexts", "Host adapter SCSI ID:"),
               QT_TRANSLATE_NOOP("halix::WindowTexts", "Host adapter SCSI ID"),
               QT_TRANSLATE_NOOP("halix::WindowTexts",
                                 "The SCSI ID of the host adapter itself (usually 7)")}},
    {.word = "parity",
     .kind = ControlKind::Switch,
     .offset = kChannelConfig,
     .mask = kParityMask,
     .valueWords = kSwitchWords,
     .valueHelp = "on or off",
     .outlets = kParityOutlet,
     .texts = {QT_TRANSLATE_NOOP("halix::WindowTexts", "Parity checking"),
               QT_TRANSLATE_NOOP("halix::WindowTexts", "Parity checking"),
               QT_TRANSLATE_NOOP("halix::WindowTexts", "Check parity on the SCSI bus")}},
    {.word = "termination",
     .kind = ControlKind::Choice,
     .offset = kChannelConfig,
     .mask = kTerminatorMask,
     .codes = kTerminatorCodes,
     .choiceTexts = kTerminatorTexts,
     .valueWords = kTerminationWords,
     .valueHelp = "one of the window's four choices",
     .outlets = kTerminatorOutlets,
     .texts = {QT_TRANSLATE_NOOP("halix::WindowTexts", "Termination"),
               QT_TRANSLATE_NOOP("halix::WindowTexts", "Termination"), nullptr}},
}};

constexpr std::size_t kTargetConfig = offsetof(NVRAM, Target0Config);

constexpr std::array<RecordSetting, kTargetSettingCount> kTargetRows = {{
    {.word = "disconnect",
     .kind = ControlKind::Switch,
     .offset = kTargetConfig,
     .mask = kDisconnectMask,
     .valueWords = kSwitchWords,
     .valueHelp = "on or off",
     .tagBase = DisconnectID,
     .controlName = "disconnect",
     .texts = {QT_TRANSLATE_NOOP("halix::WindowTexts", "Disconnect"),
               QT_TRANSLATE_NOOP("halix::WindowTexts", "Target %1 disconnect"),
               QT_TRANSLATE_NOOP("halix::WindowTexts",
                                 "Target %1: allow the device to disconnect from the bus")}},
    {.word = "max-transfer",
     .kind = ControlKind::PopUp,
     .offset = kTargetConfig,
     .mask = kMaxTransferMask,
     .items = kMaxTransferItems,
     .itemCount = static_cast<int>(kMaxTransferItems.size()),
     .valueHelp = "an item as the window shows it",
     .tagBase = MaxTransferID,
     .controlName = "maxTransfer",
     .texts = {QT_TRANSLATE_NOOP("halix::WindowTexts", "Max transfer"),
               QT_TRANSLATE_NOOP("halix::WindowTexts", "Target %1 maximum transfer"),
               QT_TRANSLATE_NOOP("halix::WindowTexts",
                                 "Target %1: the highest transfer rate to negotiate")}},
    {.word = "sync",
     .kind = ControlKind::Switch,
     .offset = kTargetConfig,
     .mask = kSyncTransferMask,
     .valueWords = kSwitchWords,
     .valueHelp = "on or off",
     .tagBase = SyncTransferID,
     .controlName = "syncTransfer",
     .texts = {QT_TRANSLATE_NOOP("halix::WindowTexts", "Sync"),
               QT_TRANSLATE_NOOP("halix::WindowTexts", "Target %1 synchronous transfer"),
               QT_TRANSLATE_NOOP("halix::WindowTexts", "Target %1: use synchronous transfers")}},
    {.word = "wide",
     .kind = ControlKind::Switch,
     .offset = kTargetConfig,
     .mask = kWideOffMask,
     .setMeansOff = true,
     .valueWords = kSwitchWords,
     .valueHelp = "on or off",
     .tagBase = WideTransferID,
     .controlName = "wideTransfer",
     .texts = {QT_TRANSLATE_NOOP("halix::WindowTexts", "Wide"),
               QT_TRANSLATE_NOOP("halix::WindowTexts", "Target %1 wide transfer"),
               QT_TRANSLATE_NOOP("halix::WindowTexts", "Target %1: use 16-bit wide transfers")}},
}};

constexpr const RecordSetting* kHostId = kChannelRows.data();
constexpr const RecordSetting* kParity = &kChannelRows[1];
constexpr const RecordSetting* kTermination = &kChannelRows[2];
constexpr const RecordSetting* kDisconnect = kTargetRows.data();
constexpr const RecordSetting* kMaxTransfer = &kTargetRows[1];
constexpr const RecordSetting* kSync = &kTargetRows[2];
constexpr const RecordSetting* kWide = &kTargetRows[3];

constexpr std::array<const RecordSetting*, 7> kShowSteps = {
    kParity, kHostId, kDisconnect, kSync, kWide, kMaxTransfer, kTermination};
constexpr std::array<const RecordSetting*, 7> kStoreSteps = {
    kParity, kHostId, kMaxTransfer, kDisconnect, kSync, kWide, kTermination};
constexpr std::array<const RecordSetting*, kTargetSettingCount> kFindSteps = {kMaxTransfer, kSync,
                                                                              kWide, kDisconnect};

// Every order lists every setting it covers exactly once.
template <std::size_t N>
constexpr bool coversAll(const std::array<const RecordSetting*, N>& steps, bool withChannel) {
    const auto listedOnce = [&steps](const RecordSetting& setting) {
        return std::ranges::count(steps, &setting) == 1;
    };
    return std::ranges::all_of(kTargetRows, listedOnce) &&
           (!withChannel || std::ranges::all_of(kChannelRows, listedOnce)) &&
           N == kTargetRows.size() + (withChannel ? kChannelRows.size() : 0);
}
static_assert(coversAll(kShowSteps, true) && coversAll(kStoreSteps, true) &&
              coversAll(kFindSteps, false));

} // namespace

const std::span<const RecordSetting> kChannelSettings = kChannelRows;
const std::span<const RecordSetting, kTargetSettingCount> kTargetSettings = kTargetRows;
const std::span<const RecordSetting* const> kShowOrder = kShowSteps;
const std::span<const RecordSetting* const> kStoreOrder = kStoreSteps;
const std::span<const RecordSetting* const, kTargetSettingCount> kFindOrder = kFindSteps;

std::optional<std::size_t> targetSettingIndex(const RecordSetting& setting) {
    for (std::size_t index = 0; index < kTargetRows.size(); ++index) {
        if (&kTargetRows.at(index) == &setting) {
            return index;
        }
    }
    return std::nullopt;
}

const RecordSetting* settingNamed(std::string_view word) {
    for (const std::span<const RecordSetting> rows :
         {std::span<const RecordSetting>(kChannelRows),
          std::span<const RecordSetting>(kTargetRows)}) {
        for (const RecordSetting& setting : rows) {
            if (setting.word == word) {
                return &setting;
            }
        }
    }
    return nullptr;
}

const RecordSetting* targetSettingWithTag(int tag) {
    for (const RecordSetting& setting : kTargetRows) {
        if (tag >= setting.tagBase && tag < setting.tagBase + kTargetCount) {
            return &setting;
        }
    }
    return nullptr;
}

std::uint8_t settingByte(const RecordSetting& setting, const NVRAM& record, int target) {
    const std::size_t at =
        setting.offset + (targetSettingIndex(setting) ? static_cast<std::size_t>(target) : 0);
    return record.bytes()[at];
}

std::optional<int> settingValue(const RecordSetting& setting, const NVRAM& record, int target) {
    const std::uint8_t bits = settingByte(setting, record, target) & setting.mask;
    switch (setting.kind) {
    case ControlKind::PopUp:
        return bits;
    case ControlKind::Switch:
        return (bits != 0) != setting.setMeansOff ? 1 : 0;
    case ControlKind::Choice:
        break;
    }
    const auto found = std::ranges::find(setting.codes, bits);
    return found == setting.codes.end()
               ? std::nullopt
               : std::optional<int>(static_cast<int>(found - setting.codes.begin()));
}

void storeSetting(const RecordSetting& setting, NVRAM& record, int value, int target) {
    std::uint8_t bits = 0;
    switch (setting.kind) {
    case ControlKind::PopUp:
        bits = static_cast<std::uint8_t>(value & setting.mask);
        break;
    case ControlKind::Switch:
        bits = (value != 0) != setting.setMeansOff ? setting.mask : 0;
        break;
    case ControlKind::Choice:
        bits = setting.codes[static_cast<std::size_t>(value)];
        break;
    }
    std::uint8_t& byte =
        record.bytes()[setting.offset +
                       (targetSettingIndex(setting) ? static_cast<std::size_t>(target) : 0)];
    byte = static_cast<std::uint8_t>((byte & ~setting.mask) | bits);
}

bool settingDiffers(const RecordSetting& setting, const NVRAM& before, const NVRAM& after,
                    int target) {
    return ((settingByte(setting, before, target) ^ settingByte(setting, after, target)) &
            setting.mask) != 0;
}

std::vector<std::string> itemTexts(const RecordSetting& setting) {
    if (!setting.items.empty()) {
        return {setting.items.begin(), setting.items.end()};
    }
    std::vector<std::string> numbers;
    numbers.reserve(static_cast<std::size_t>(setting.itemCount));
    for (int number = 0; number < setting.itemCount; ++number) {
        numbers.push_back(std::to_string(number));
    }
    return numbers;
}

std::string settingWords(const RecordSetting& setting, const NVRAM& record, int target) {
    const std::optional<int> value = settingValue(setting, record, target);
    if (!value) {
        std::string code = "code 0x";
        appendHexByte(
            code, static_cast<std::uint8_t>(settingByte(setting, record, target) & setting.mask));
        return code;
    }
    if (setting.kind != ControlKind::PopUp) {
        return std::string(setting.valueWords[static_cast<std::size_t>(*value)]);
    }
    if (*value < setting.itemCount) {
        return itemTexts(setting).at(static_cast<std::size_t>(*value));
    }
    return std::to_string(*value) + " (names no item)";
}

} // namespace halix
