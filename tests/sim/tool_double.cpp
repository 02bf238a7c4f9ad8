// A stand-in for the machine's tool executable: runs the shell script kept beside the tool
// entry it was started through (ENTRY.sh) with argv[0] as $0 and the arguments as "$@", so
// that a test's script sees exactly the argv, environment and descriptors the tool got.
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    std::string shell = "sh";
    std::string command = "-c";
    std::string script = ". \"$0.sh\"";
    std::vector<char*> arguments = {shell.data(), command.data(), script.data()};
    arguments.insert(arguments.end(), argv, argv + argc);
    arguments.push_back(nullptr);
    ::execv("/bin/sh", arguments.data());
    return 127;
}
