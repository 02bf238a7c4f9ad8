#include "sim/control/sim_command_line.h"

#include "command_line/standard_options.h"
#include "platform/posix/text_escape.h"
#include "sim/control/machine_commands.h"
#include "sim/machine/machine.h"
#include "sim/state/machine_state_plist.h"

#include <algorithm>
#include <functional>

namespace halix::sim {

namespace {

constexpr const char* kUsage =
    "usage: halix-sim COMMAND [ARGUMENTS]\n"
    "The simulated machine lives in $HALIX_MACHINE (default "
    "${XDG_STATE_HOME:-~/.local/state}/halix/machine).\n"
    "Its state.plist and eeprom.bin are replaced whole; flash.dat is written a chunk at a time,\n"
    "in place, as a flash chip takes it.\n"
    "  -h, --help, help            print this text\n"
    "  --version                   print the program name and version\n"
    "  init                        factory settings, replacing whatever is there\n"
    "  show                        a summary of the machine and the session holding the card\n"
    "  eeprom                      the EEPROM as 128 hex digits\n"
    "  eeprom HEX                  set the EEPROM (exactly 128 hex digits)\n"
    "  flash save FILE             copy the flash out\n"
    "  flash load FILE             set the flash from a file of the flash's size (or longer,\n"
    "                              all 0xFF past it: a Save Flash copy)\n"
    "  flash erase                 erase the flash (all 0xFF)\n"
    "  device add CLASS            a SCSI device under the first entry of class CLASS\n"
    "                              (a new controller of that class when there is none)\n"
    "  device clear                remove every SCSI device\n"
    "  kexts                       loaded kernel extensions, \"IDENTIFIER VERSION\" a line\n"
    "Fault switches:\n"
    "  fault registry-error        the master port cannot be obtained\n"
    "  fault no-service            the utility driver loads but registers no service\n"
    "  fault open-error            opening the utility driver's service fails\n"
    "  fault eeprom-read-error     reading the EEPROM fails and delivers nothing\n"
    "  fault eeprom-short-read     reading the EEPROM delivers only 32 bytes\n"
    "  fault eeprom-write-error    writing the EEPROM fails, the EEPROM keeps its content\n"
    "  fault corrupt-writes N      the next N flash write passes each store a wrong byte\n"
    "  fault flash-write-error     writing to the flash fails and stores nothing (the pass\n"
    "                              moves on)\n"
    "  fault flash-read-error      reading the flash fails and delivers nothing (the pass\n"
    "                              moves on)\n"
    "  fault erase-error           erasing the flash fails and changes nothing\n"
    "  fault missing-tool PATH     the tool PATH is absent from the machine (/sbin/kextload,\n"
    "                              /sbin/kextunload, /usr/sbin/kmodstat, /usr/sbin/kextstat)\n"
    "  fault clear | fault list    switch every fault off, or list those on\n"
    "  auth ask|grant|deny [PASSWORD]  the authorization policy, optionally a new password\n"
    "                              (a new machine asks, and its password is \"admin\")\n"
    "  journal [--clear]           print the journal of driver calls and tool runs (the newest\n"
    "                              lines; at 1 MiB the older half goes), or empty it\n";

using Arguments = std::vector<std::string>;

struct Command {
    Arguments words;          // the command's fixed words
    std::size_t minArguments; // after the fixed words
    std::size_t maxArguments;
    std::function<int(MachineCommands&, const Arguments&)> run;
    // What is wrong with the arguments, found before the machine is opened; empty if
    // nothing is.
    std::function<std::string(const Arguments&)> check = [](const Arguments&) {
        return std::string();
    };
};

std::string checkEeprom(const Arguments& arguments) {
    return arguments.empty() || parseEepromHex(arguments[0])
               ? ""
               : "the EEPROM takes exactly 128 hex digits (64 bytes), got \"" + arguments[0] + "\"";
}

template <typename Setting> std::string reasonRefused(const Result<Setting>& parsed) {
    return parsed ? std::string() : parsed.error().message();
}

std::string checkFault(const Arguments& arguments) {
    return reasonRefused(parseFaultSetting(arguments));
}

std::string checkAuthorization(const Arguments& arguments) {
    return reasonRefused(parseAuthorizationSetting(arguments));
}

std::string checkClass(const Arguments& arguments) {
    return isPlainName(arguments[0])
               ? ""
               : "a class name is 1 to 127 characters without spaces, got \"" + arguments[0] + "\"";
}

std::string checkJournal(const Arguments& arguments) {
    return arguments.empty() || arguments[0] == "--clear"
               ? ""
               : "journal takes only --clear, got \"" + arguments[0] + "\"";
}

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {{"show"}, 0, 0, [](MachineCommands& m, const auto&) { return m.show(); }},
        {{"eeprom"},
         0,
         1,
         [](MachineCommands& m, const auto& a) {
             return a.empty() ? m.printEeprom() : m.setEeprom(a[0]);
         },
         checkEeprom},
        {{"flash", "save"},
         1,
         1,
         [](MachineCommands& m, const auto& a) { return m.saveFlash(a[0]); }},
        {{"flash", "load"},
         1,
         1,
         [](MachineCommands& m, const auto& a) { return m.loadFlash(a[0]); }},
        {{"flash", "erase"}, 0, 0, [](MachineCommands& m, const auto&) { return m.eraseFlash(); }},
        {{"device", "add"},
         1,
         1,
         [](MachineCommands& m, const auto& a) { return m.addDevice(a[0]); },
         checkClass},
        {{"device", "clear"},
         0,
         0,
         [](MachineCommands& m, const auto&) { return m.clearDevices(); }},
        {{"kexts"}, 0, 0, [](MachineCommands& m, const auto&) { return m.listKexts(); }},
        {{"fault", "clear"}, 0, 0, [](MachineCommands& m, const auto&) { return m.clearFaults(); }},
        {{"fault", "list"}, 0, 0, [](MachineCommands& m, const auto&) { return m.listFaults(); }},
        {{"fault"},
         1,
         2,
         [](MachineCommands& m, const auto& a) { return m.setFault(a); },
         checkFault},
        {{"auth"},
         1,
         2,
         [](MachineCommands& m, const auto& a) { return m.setAuthorization(a); },
         checkAuthorization},
        {{"journal"},
         0,
         1,
         [](MachineCommands& m, const auto& a) {
             return a.empty() ? m.printJournal() : m.clearJournal(a[0]);
         },
         checkJournal},
    };
    return table;
}

bool startsWith(const std::vector<std::string>& arguments, const std::vector<std::string>& words) {
    return arguments.size() >= words.size() &&
           std::equal(words.begin(), words.end(), arguments.begin());
}

} // namespace

int runSimCommandLine(const std::vector<std::string>& arguments,
                      const std::string& machineDirectory, const std::string& toolPath,
                      std::ostream& out, std::ostream& err) {
    if (arguments.empty()) {
        err << kUsage;
        return kExitBadInput;
    }
    const StandardOption option = classifyOption(arguments[0]);
    if (option != StandardOption::NotAnOption || arguments[0] == "help") {
        return answerOption(option == StandardOption::NotAnOption ? StandardOption::Help : option,
                            arguments[0], "halix-sim", kUsage, out, err);
    }
    if (arguments[0] == "init") {
        if (arguments.size() != 1) {
            err << "halix-sim: init takes no arguments\n";
            return kExitBadInput;
        }
        if (const auto machine = Machine::reset(machineDirectory, toolPath); !machine) {
            err << "halix-sim: " << escapeControlCharacters(machine.error().message()) << '\n';
            return kExitFailed;
        }
        out << "Machine " << escapeControlCharacters(machineDirectory)
            << " reset to factory settings\n";
        return kExitDone;
    }
    for (const Command& command : commands()) {
        if (!startsWith(arguments, command.words)) {
            continue;
        }
        const std::vector<std::string> rest(
            arguments.begin() + static_cast<std::ptrdiff_t>(command.words.size()), arguments.end());
        if (rest.size() < command.minArguments || rest.size() > command.maxArguments) {
            std::string name;
            for (const std::string& word : command.words) {
                name += (name.empty() ? "" : " ") + word;
            }
            err << "halix-sim: wrong number of arguments for \"" << name
                << "\"; see halix-sim --help\n";
            return kExitBadInput;
        }
        if (const std::string problem = command.check(rest); !problem.empty()) {
            err << "halix-sim: " << escapeControlCharacters(problem) << '\n';
            return kExitBadInput;
        }
        const Result<std::unique_ptr<Machine>> machine = Machine::open(machineDirectory, toolPath);
        if (!machine) {
            err << "halix-sim: " << escapeControlCharacters(machine.error().message()) << '\n';
            return kExitFailed;
        }
        MachineCommands machineCommands(**machine, out, err);
        return command.run(machineCommands, rest);
    }
    err << "halix-sim: unknown command " << quoted(arguments[0]) << "; see halix-sim --help\n";
    return kExitBadInput;
}

} // namespace halix::sim
