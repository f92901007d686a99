// The `korvi` command line tool: hands the arguments to the command framework.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/CliIo.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    korvi::cli::CliIo io(std::cin, std::cout, std::cerr, ::isatty(STDIN_FILENO) == 1,
                         ::isatty(STDERR_FILENO) == 1);
    io.SetCatchInterrupt(true);
    const int code = korvi::cli::RunCli(args, io);
    std::cout.flush();
    return code;
}
