// The record's settings. lupdate reads the texts marked below for translation in
// kWindowTextsContext; here they are plain strings, so that this file needs no Qt.
#include "settings_model/record_settings.h"

#include "platform/hex_digits.h"

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
constexpr std::size_t kTargetConfig = offsetof(NVRAM, Target0Config);

// The channel's settings, then one row per TargetSetting in its order.
constexpr auto kRows = std::to_array<RecordSetting>({
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
    {.word = "disconnect",
     .kind = ControlKind::Switch,
     .offset = kTargetConfig,
     .mask = kDisconnectMask,
     .valueWords = kSwitchWords,
     .valueHelp = "on or off",
     .target = TargetSetting::Disconnect,
     .tagBase = 300,
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
     .target = TargetSetting::MaxTransfer,
     .tagBase = 100,
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
     .target = TargetSetting::Sync,
     .tagBase = 200,
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
     .target = TargetSetting::Wide,
     .tagBase = 400,
     .controlName = "wideTransfer",
     .texts = {QT_TRANSLATE_NOOP("halix::WindowTexts", "Wide"),
               QT_TRANSLATE_NOOP("halix::WindowTexts", "Target %1 wide transfer"),
               QT_TRANSLATE_NOOP("halix::WindowTexts", "Target %1: use 16-bit wide transfers")}},
});

constexpr std::size_t kChannelCount = kRows.size() - kTargetSettingCount;

constexpr bool keyedInOrder() {
    for (std::size_t index = 0; index < kRows.size(); ++index) {
        const std::optional<TargetSetting> key =
            index < kChannelCount
                ? std::nullopt
                : std::optional(static_cast<TargetSetting>(index - kChannelCount));
        if (kRows.at(index).target != key) {
            return false;
        }
    }
    return true;
}
static_assert(keyedInOrder(), "the channel's rows, then one row per TargetSetting in its order");

// Storing a setting changes its own bits only, so that the order in which the settings are
// stored never decides a byte: two settings of one byte own different bits.
constexpr bool settingsOwnTheirBits() {
    std::array<std::uint8_t, kNvramSize> owned{};
    for (const RecordSetting& row : kRows) {
        if ((owned.at(row.offset) & row.mask) != 0) {
            return false;
        }
        owned.at(row.offset) |= row.mask;
    }
    return true;
}
static_assert(settingsOwnTheirBits());

// halix-term and the window find a per-target control by its tag alone.
constexpr std::span<const RecordSetting, kTargetSettingCount> kTargetRows =
    std::span(kRows).last<kTargetSettingCount>();

constexpr bool tagRangesApart() {
    for (const RecordSetting& row : kTargetRows) {
        for (const RecordSetting& other : kTargetRows) {
            if (&row != &other && row.tagBase < other.tagBase + kTargetCount &&
                other.tagBase < row.tagBase + kTargetCount) {
                return false;
            }
        }
    }
    return std::ranges::all_of(kTargetRows,
                               [](const RecordSetting& row) { return row.tagBase > 0; });
}
static_assert(tagRangesApart());

} // namespace

const std::span<const RecordSetting> kSettings = kRows;
const std::span<const RecordSetting> kChannelSettings = std::span(kRows).first<kChannelCount>();
const std::span<const RecordSetting, kTargetSettingCount> kTargetSettings = kTargetRows;

const RecordSetting& targetSetting(TargetSetting key) {
    return kTargetRows[static_cast<std::size_t>(key)];
}

std::optional<std::size_t> targetSettingIndex(const RecordSetting& setting) {
    if (!setting.target) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(*setting.target);
}

const RecordSetting* settingNamed(std::string_view word) {
    for (const RecordSetting& setting : kRows) {
        if (setting.word == word) {
            return &setting;
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
