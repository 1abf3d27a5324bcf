#include <cstdio>

#include "cli.h"

int main(int argc, char** argv) {
    InstallCliSignalCleanup();
    return RunCli(argc, argv, stdout, stderr);
}
