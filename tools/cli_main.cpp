#include <clocale>
#include <cstdio>

#include "cli.h"
#include "cli_system.h"

int main(int argc, char** argv) {
    // Names typed and printed are in the terminal's encoding, which the locale names.
    std::setlocale(LC_ALL, "");
    cli::UseSystemText(&argc, &argv);
    InstallCliSignalCleanup();
    return RunCli(argc, argv, stdout, stderr);
}
